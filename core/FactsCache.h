// The search index: what was read of each image, in an SQLite database,
// keyed by the image's path, size and modification time.  A changed size or
// time makes the row stale; it is read again and replaced.  A search of a
// folder deletes the rows of the images gone from it.
#pragma once

#include "core/Result.h"
#include "core/Search.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace dyskel {

class FactsCache {
  public:
    // Opens or creates the database file (and its folder); a file that is no
    // database or a damaged one is made anew.  Writes are not flushed to the
    // disk: after a crash of the machine the index may be lost, never an image.
    [[nodiscard]] static Result<std::unique_ptr<FactsCache>> Open(const std::string& file);
    // $XDG_CACHE_HOME/dyskel/index.sqlite, else ~/.cache/dyskel/index.sqlite.
    static std::string DefaultFile();
    ~FactsCache();

    // The facts kept for the path when its stamp is the one kept, and with
    // hashes when needHashes.
    std::optional<ImageFacts> Find(const std::string& path, const FileStamp& stamp, bool needHashes);
    void Store(const std::string& path, const FileStamp& stamp, const ImageFacts& facts);
    // Reads the rows of every image under folder at once, so that Find needs
    // no query per image there.
    void Preload(const std::string& folder);
    // After Preload(folder) and a complete walk of it that found the images
    // of found (sorted by path): deletes the rows of images under the folder
    // (directly in it unless recursive) whose file is gone.  A row the walk
    // did not find is kept while its file is still there (behind a link or a
    // folder the walk could not read).
    void ForgetGone(const std::string& folder, bool recursive, const std::vector<ImageFile>& found);
    // Finds and stores of one search go into one transaction.
    void Begin();
    void Commit();

  private:
    // A row as stored.
    struct Row {
        std::int64_t size = 0, mtimeNs = 0;
        std::string diskName, label, entries, hashes, note;
        bool hashed = false;
    };
    FactsCache() = default;
    static Result<std::unique_ptr<FactsCache>> OpenFile(const std::string& file, bool mayRebuild);
    static Row ReadRow(sqlite3_stmt* st);
    static std::optional<ImageFacts> Facts(const Row& row, const FileStamp& stamp, bool needHashes);
    std::unordered_map<std::string, Row> preloaded_;
    std::vector<std::string> preloadedFolders_; // as "FOLDER/"
    sqlite3_stmt* range_ = nullptr;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* find_ = nullptr;
    sqlite3_stmt* store_ = nullptr;
    sqlite3_stmt* forget_ = nullptr;
    bool inTransaction_ = false;
};

} // namespace dyskel
