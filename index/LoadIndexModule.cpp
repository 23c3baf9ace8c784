#include "index/IndexModule.h"

#include <dlfcn.h>
#include <filesystem>

namespace dyskel {

namespace {

// The module beside the program: DYSKEL_INDEX_MODULE is its path from the
// program's folder.  That folder is read from /proc/self/exe rather than left
// to the loader's $ORIGIN, which names the folder of whatever calls dlopen (a
// preloaded library wrapping dlopen, as the sanitizers do, has its own).
std::string ModulePath() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::string("$ORIGIN/") + DYSKEL_INDEX_MODULE;
    return (program.parent_path() / DYSKEL_INDEX_MODULE).string();
}

} // namespace

Result<std::unique_ptr<IndexStore>> OpenIndexModule(const std::string& file) {
    // Kept loaded for the rest of the process: the index's code runs until
    // its last row is written.
    static const struct Loaded {
        void* module = nullptr;
        std::string why;
    } loaded = [] {
        Loaded l;
        l.module = ::dlopen(ModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (const char* why = l.module ? nullptr : ::dlerror()) l.why = why;
        return l;
    }();
    if (!loaded.module) return Failure{"the search index module could not be loaded: " + loaded.why};
    auto open = reinterpret_cast<OpenIndexFunction>(::dlsym(loaded.module, OpenIndexSymbol));
    if (!open) return Failure{"the search index module has no " + std::string(OpenIndexSymbol)};
    std::string error;
    IndexStore* index = open(file.c_str(), &error);
    if (!index) return Failure{error};
    return std::unique_ptr<IndexStore>(index);
}

} // namespace dyskel
