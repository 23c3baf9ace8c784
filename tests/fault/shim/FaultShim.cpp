// Preloaded into dyskel-cli by the fault tests: the n-th call of the file
// system calls below (counted from the start of the process, n from
// DYSKEL_FAULT_AT) fails with DYSKEL_FAULT_ERRNO, or, with DYSKEL_FAULT_KILL
// set, the process is killed right before that call.  DYSKEL_FAULT_LOG names a
// file that gets the count of calls made, so a sweep knows when to stop.
// DYSKEL_FAULT_CALLS ("link,fchown") instead makes every call of the calls
// named fail, as a file system that lacks them does.
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

long calls = 0;

void Log() {
    if (const char* log = std::getenv("DYSKEL_FAULT_LOG")) {
        if (FILE* f = std::fopen(log, "w")) {
            std::fprintf(f, "%ld\n", calls);
            std::fclose(f);
        }
    }
}

// True when this call is to fail (errno set); kills the process in kill mode.
bool Fault(const char* name) {
    static const char* named = std::getenv("DYSKEL_FAULT_CALLS");
    static const int error =
        std::getenv("DYSKEL_FAULT_ERRNO") ? std::atoi(std::getenv("DYSKEL_FAULT_ERRNO")) : EIO;
    if (named) {
        const std::string list = "," + std::string(named) + ",";
        if (list.find("," + std::string(name) + ",") == std::string::npos) return false;
        errno = error;
        return true;
    }
    static const long at = std::getenv("DYSKEL_FAULT_AT") ? std::atol(std::getenv("DYSKEL_FAULT_AT")) : 0;
    static const bool kill = std::getenv("DYSKEL_FAULT_KILL") != nullptr;
    ++calls;
    if (calls != at) return false;
    if (kill) ::raise(SIGKILL);
    errno = error;
    return true;
}

struct AtExit {
    ~AtExit() { Log(); }
} atExit;

template <class F>
F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t n) {
    static auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
    return Fault("write") ? -1 : real(fd, buf, n);
}
ssize_t pwrite(int fd, const void* buf, size_t n, off_t off) {
    static auto real = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    return Fault("pwrite") ? -1 : real(fd, buf, n, off);
}
ssize_t pwrite64(int fd, const void* buf, size_t n, off_t off) {
    static auto real = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite64");
    return Fault("pwrite64") ? -1 : real(fd, buf, n, off);
}
ssize_t read(int fd, void* buf, size_t n) {
    static auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
    return Fault("read") ? -1 : real(fd, buf, n);
}
ssize_t pread(int fd, void* buf, size_t n, off_t off) {
    static auto real = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    return Fault("pread") ? -1 : real(fd, buf, n, off);
}
ssize_t pread64(int fd, void* buf, size_t n, off_t off) {
    static auto real = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread64");
    return Fault("pread64") ? -1 : real(fd, buf, n, off);
}
int fsync(int fd) {
    static auto real = Next<int (*)(int)>("fsync");
    return Fault("fsync") ? -1 : real(fd);
}
int close(int fd) {
    static auto real = Next<int (*)(int)>("close");
    if (Fault("close")) {
        real(fd);
        return -1;
    }
    return real(fd);
}
int rename(const char* from, const char* to) {
    static auto real = Next<int (*)(const char*, const char*)>("rename");
    return Fault("rename") ? -1 : real(from, to);
}
int link(const char* from, const char* to) {
    static auto real = Next<int (*)(const char*, const char*)>("link");
    return Fault("link") ? -1 : real(from, to);
}
int unlink(const char* path) {
    static auto real = Next<int (*)(const char*)>("unlink");
    return Fault("unlink") ? -1 : real(path);
}
int fchmod(int fd, mode_t mode) {
    static auto real = Next<int (*)(int, mode_t)>("fchmod");
    return Fault("fchmod") ? -1 : real(fd, mode);
}
int fchown(int fd, uid_t uid, gid_t gid) {
    static auto real = Next<int (*)(int, uid_t, gid_t)>("fchown");
    return Fault("fchown") ? -1 : real(fd, uid, gid);
}
int mkstemp(char* name) {
    static auto real = Next<int (*)(char*)>("mkstemp");
    return Fault("mkstemp") ? -1 : real(name);
}
int mkstemp64(char* name) {
    static auto real = Next<int (*)(char*)>("mkstemp64");
    return Fault("mkstemp64") ? -1 : real(name);
}
int open(const char* path, int flags, ...) {
    static auto real = Next<int (*)(const char*, int, ...)>("open");
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & O_CREAT) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return Fault("open") ? -1 : real(path, flags, mode);
}
int open64(const char* path, int flags, ...) {
    static auto real = Next<int (*)(const char*, int, ...)>("open64");
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & O_CREAT) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return Fault("open") ? -1 : real(path, flags, mode);
}
int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    static auto real = Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    return Fault("renameat2") ? -1 : real(fromDir, from, toDir, to, flags);
}
int flock(int fd, int operation) {
    static auto real = Next<int (*)(int, int)>("flock");
    return Fault("flock") ? -1 : real(fd, operation);
}
int access(const char* path, int mode) {
    static auto real = Next<int (*)(const char*, int)>("access");
    return Fault("access") ? -1 : real(path, mode);
}
int fstat(int fd, struct stat* st) {
    static auto real = Next<int (*)(int, struct stat*)>("fstat");
    return Fault("fstat") ? -1 : real(fd, st);
}
int fstat64(int fd, struct stat64* st) {
    static auto real = Next<int (*)(int, struct stat64*)>("fstat64");
    return Fault("fstat") ? -1 : real(fd, st);
}
}
