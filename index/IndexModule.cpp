// The module's one export (see IndexModule.h).
#include "index/IndexModule.h"
#include "index/SqliteIndex.h"

extern "C" __attribute__((visibility("default"))) dyskel::IndexStore* dyskel_open_index(const char* file,
                                                                                        std::string* error) {
    dyskel::Result<std::unique_ptr<dyskel::IndexStore>> index = dyskel::OpenSqliteIndex(file);
    if (index) return index->release();
    *error = index.Error();
    return nullptr;
}
