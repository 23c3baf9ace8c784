#include "index/IndexModule.h"

#include <dlfcn.h>

namespace dyskel {

Result<std::unique_ptr<IndexStore>> OpenIndexModule(const std::string& file) {
    // Kept loaded for the rest of the process: the index's code runs until
    // its last row is written.
    static const struct Loaded {
        void* module = nullptr;
        std::string why;
    } loaded = [] {
        Loaded l;
        l.module = ::dlopen(DYSKEL_INDEX_MODULE, RTLD_NOW | RTLD_LOCAL);
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
