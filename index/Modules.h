// dyskel-cli's modules: libraries it loads with dlopen only for the commands
// that need them (the search index for find and dupes, the PNG writer for
// dir --png), so that every other command starts without them.  They are
// built from this tree with the program and sit in lib/dyskel/modules beside
// bin/, in the build tree and the installed one alike.
#pragma once

#include "core/Result.h"

#include <string>

namespace dyskel {

// The address of symbol in the module file name ("index.so"), loaded once a
// process and kept.  Failures say "could not be loaded: WHY" or "has no
// SYMBOL", for the caller to name the module.
[[nodiscard]] Result<void*> ModuleSymbol(const std::string& name, const char* symbol);

} // namespace dyskel
