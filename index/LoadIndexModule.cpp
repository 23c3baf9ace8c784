#include "index/IndexModule.h"
#include "index/Modules.h"

namespace dyskel {

Result<std::unique_ptr<IndexStore>> OpenIndexModule(const std::string& file) {
    Result<void*> entry = ModuleSymbol("index.so", OpenIndexSymbol);
    if (!entry) return Failure{"the search index module " + entry.Error()};
    auto open = reinterpret_cast<OpenIndexFunction>(*entry);
    std::string error;
    IndexStore* index = open(file.c_str(), &error);
    if (!index) return Failure{error};
    return std::unique_ptr<IndexStore>(index);
}

} // namespace dyskel
