#include "index/Modules.h"

#include <dlfcn.h>
#include <filesystem>
#include <map>

namespace dyskel {

namespace {

// The modules' folder from the program's: DYSKEL_MODULE_DIR is its path from
// there.  The program's folder is read from /proc/self/exe rather than left to
// the loader's $ORIGIN, which names the folder of whatever calls dlopen (a
// preloaded library wrapping dlopen, as the sanitizers do, has its own).
std::string ModulePath(const std::string& name) {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::string("$ORIGIN/") + DYSKEL_MODULE_DIR + "/" + name;
    return (program.parent_path() / DYSKEL_MODULE_DIR / name).string();
}

struct Loaded {
    void* module = nullptr;
    std::string why;
};

} // namespace

Result<void*> ModuleSymbol(const std::string& name, const char* symbol) {
    // Kept loaded for the rest of the process: a module's code may run until
    // the process ends (the index writes its last rows then).
    static std::map<std::string, Loaded> loaded;
    auto it = loaded.find(name);
    if (it == loaded.end()) {
        Loaded l;
        l.module = ::dlopen(ModulePath(name).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (const char* why = l.module ? nullptr : ::dlerror()) l.why = why;
        it = loaded.emplace(name, std::move(l)).first;
    }
    if (!it->second.module) return Failure{"could not be loaded: " + it->second.why};
    void* address = ::dlsym(it->second.module, symbol);
    if (!address) return Failure{std::string("has no ") + symbol};
    return address;
}

} // namespace dyskel
