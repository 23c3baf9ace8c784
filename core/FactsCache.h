// The search index: what was read of each image, kept in an IndexStore (an
// SQLite file, see index/), keyed by the image's path, size and modification
// time.  A changed size or time makes the row stale; it is read again and
// replaced.  A search of a folder deletes the rows of the images gone from it.
#pragma once

#include "core/IndexStore.h"
#include "core/Search.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace dyskel {

class FactsCache {
  public:
    explicit FactsCache(std::unique_ptr<IndexStore> store);
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
    static std::optional<ImageFacts> Facts(const IndexRow& row, const FileStamp& stamp, bool needHashes);
    std::unique_ptr<IndexStore> store_;
    std::unordered_map<std::string, IndexRow> preloaded_;
    std::vector<std::string> preloadedFolders_; // as "FOLDER/"
};

} // namespace dyskel
