// The index as a module that dyskel-cli loads with dlopen only when it
// searches, so that no other command maps SQLite.  The module is built from
// this tree with the program (index.so in lib/dyskel/modules beside bin/, in
// the build tree and the installed one alike) and exports one function.
#pragma once

#include "core/IndexStore.h"
#include "core/Result.h"

#include <memory>
#include <string>

namespace dyskel {

// The module's entry point: the index file opened, or null with *error set.
using OpenIndexFunction = IndexStore* (*)(const char* file, std::string* error);
inline constexpr const char* OpenIndexSymbol = "dyskel_open_index";

// Loads the module (once a process) and opens the index file through it.  A
// module that cannot be loaded is a failure naming the module and why.
[[nodiscard]] Result<std::unique_ptr<IndexStore>> OpenIndexModule(const std::string& file);

} // namespace dyskel
