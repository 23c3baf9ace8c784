// The search index's rows in an SQLite file.  The windows link this library;
// dyskel-cli loads it as a module (IndexModule.h) only when it searches, so
// that its other commands start without SQLite.
#pragma once

#include "core/IndexStore.h"
#include "core/Result.h"

#include <memory>
#include <string>

namespace dyskel {

// Opens or creates the database file (and its folder); a file that is no
// database or a damaged one is made anew.  Writes are not flushed to the
// disk: after a crash of the machine the index may be lost, never an image.
[[nodiscard]] Result<std::unique_ptr<IndexStore>> OpenSqliteIndex(const std::string& file);

} // namespace dyskel
