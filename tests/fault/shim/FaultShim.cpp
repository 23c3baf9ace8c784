// Preloaded into dyskel-cli by the fault tests: the n-th call of the file
// system calls below (counted from the start of the process, n from
// DYSKEL_FAULT_AT) fails with DYSKEL_FAULT_ERRNO, or, with DYSKEL_FAULT_KILL
// set, the process is killed right before that call.  DYSKEL_FAULT_LOG names a
// file that gets the count of calls made, so a sweep knows when to stop.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
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
bool Fault() {
    static const long at = std::getenv("DYSKEL_FAULT_AT") ? std::atol(std::getenv("DYSKEL_FAULT_AT")) : 0;
    static const bool kill = std::getenv("DYSKEL_FAULT_KILL") != nullptr;
    static const int error =
        std::getenv("DYSKEL_FAULT_ERRNO") ? std::atoi(std::getenv("DYSKEL_FAULT_ERRNO")) : EIO;
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
    return Fault() ? -1 : real(fd, buf, n);
}
ssize_t pwrite(int fd, const void* buf, size_t n, off_t off) {
    static auto real = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    return Fault() ? -1 : real(fd, buf, n, off);
}
ssize_t pwrite64(int fd, const void* buf, size_t n, off_t off) {
    static auto real = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite64");
    return Fault() ? -1 : real(fd, buf, n, off);
}
ssize_t read(int fd, void* buf, size_t n) {
    static auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
    return Fault() ? -1 : real(fd, buf, n);
}
ssize_t pread(int fd, void* buf, size_t n, off_t off) {
    static auto real = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    return Fault() ? -1 : real(fd, buf, n, off);
}
ssize_t pread64(int fd, void* buf, size_t n, off_t off) {
    static auto real = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread64");
    return Fault() ? -1 : real(fd, buf, n, off);
}
int fsync(int fd) {
    static auto real = Next<int (*)(int)>("fsync");
    return Fault() ? -1 : real(fd);
}
int close(int fd) {
    static auto real = Next<int (*)(int)>("close");
    if (Fault()) {
        real(fd);
        return -1;
    }
    return real(fd);
}
int rename(const char* from, const char* to) {
    static auto real = Next<int (*)(const char*, const char*)>("rename");
    return Fault() ? -1 : real(from, to);
}
int link(const char* from, const char* to) {
    static auto real = Next<int (*)(const char*, const char*)>("link");
    return Fault() ? -1 : real(from, to);
}
int unlink(const char* path) {
    static auto real = Next<int (*)(const char*)>("unlink");
    return Fault() ? -1 : real(path);
}
int fchmod(int fd, mode_t mode) {
    static auto real = Next<int (*)(int, mode_t)>("fchmod");
    return Fault() ? -1 : real(fd, mode);
}
int fchown(int fd, uid_t uid, gid_t gid) {
    static auto real = Next<int (*)(int, uid_t, gid_t)>("fchown");
    return Fault() ? -1 : real(fd, uid, gid);
}
int mkstemp(char* name) {
    static auto real = Next<int (*)(char*)>("mkstemp");
    return Fault() ? -1 : real(name);
}
int mkstemp64(char* name) {
    static auto real = Next<int (*)(char*)>("mkstemp64");
    return Fault() ? -1 : real(name);
}
}
