// The search index: what was read of each image, in an SQLite database,
// keyed by the image's path, size and modification time.  A changed size or
// time makes the row stale; it is read again and replaced.
#pragma once

#include "core/Result.h"
#include "core/Search.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace dyskel {

// The file's size and modification time (nanoseconds); nullopt when it is no
// regular file.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
std::optional<FileStamp> StampOf(const std::string& path);

class FactsCache {
  public:
    // Opens or creates the database file (and its folder).
    [[nodiscard]] static Result<std::unique_ptr<FactsCache>> Open(const std::string& file);
    // $XDG_CACHE_HOME/dyskel/index.sqlite, else ~/.cache/dyskel/index.sqlite.
    static std::string DefaultFile();
    ~FactsCache();

    // The facts kept for the path when its stamp is the one kept, and with
    // hashes when needHashes.
    std::optional<ImageFacts> Find(const std::string& path, const FileStamp& stamp, bool needHashes);
    void Store(const std::string& path, const FileStamp& stamp, const ImageFacts& facts);
    // Finds and stores of one search go into one transaction.
    void Begin();
    void Commit();

  private:
    FactsCache() = default;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* find_ = nullptr;
    sqlite3_stmt* store_ = nullptr;
    bool inTransaction_ = false;
};

} // namespace dyskel
