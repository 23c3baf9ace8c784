// The search index: what was read of each image, keyed by the image's path,
// size and modification time.  A changed size or time makes the image's facts
// stale; it is read again and replaced.  A search of a folder forgets the
// images gone from it.  The facts of one folder's images are kept together,
// as one value of an IndexStore (an SQLite file, see index/), so that a search
// reads and writes a value per folder, not per image.
#pragma once

#include "core/IndexStore.h"
#include "core/Search.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dyskel {

class FactsCache {
  public:
    explicit FactsCache(std::unique_ptr<IndexStore> store);
    // $XDG_CACHE_HOME/dyskel/index.sqlite, else ~/.cache/dyskel/index.sqlite.
    static std::string DefaultFile();
    // Writes what changed (Commit).
    ~FactsCache();

    // The facts kept for the path when its stamp is the one kept, and with
    // hashes when needHashes.
    std::optional<ImageFacts> Find(const std::string& path, const FileStamp& stamp, bool needHashes);
    void Store(const std::string& path, const FileStamp& stamp, const ImageFacts& facts);
    // Reads what is kept of the folder and every folder under it at once.
    void Preload(const std::string& folder);
    // After Preload(folder) and a complete walk of it that found the images
    // of found (sorted by path): forgets the images under the folder
    // (directly in it unless recursive) whose file is gone.  An image the
    // walk did not find is kept while its file is still there (behind a link
    // or a folder the walk could not read).
    void ForgetGone(const std::string& folder, bool recursive, const std::vector<ImageFile>& found);
    // Finds and stores of one search go into one transaction; Commit writes
    // the folders whose images changed.
    void Begin();
    void Commit();

  private:
    // Bytes that grow where they lie when the allocator can (realloc): the
    // value of a folder read for the first time is written image by image
    // without being copied as it grows.
    class Bytes {
      public:
        Bytes() = default;
        Bytes(Bytes&& other) noexcept;
        Bytes& operator=(Bytes&& other) noexcept;
        ~Bytes();
        void Append(std::string_view bytes);
        std::string_view View() const { return {data_, size_}; }

      private:
        char* data_ = nullptr;
        std::size_t size_ = 0, capacity_ = 0;
    };
    // One image as kept: where its record (see FactsCache.cpp) starts in the
    // folder's value as read or in the records stored since.
    struct Image {
        bool stored = false;
        std::uint32_t at = 0;
        std::uint16_t nameSize = 0;
        FileStamp stamp;
        bool hashed = false;
        std::uint32_t factsSize = 0;
    };
    struct Folder {
        std::string bytes;         // the value as read
        Bytes stored;              // records stored since, in the order stored
        std::vector<Image> images; // sorted by name
        bool changed = false;
        bool inOrder = true; // images is stored record by record, nothing else
    };
    static std::string_view Record(const Folder& f, const Image& image);
    static std::string_view Name(const Folder& f, const Image& image);
    static std::string_view Facts(const Folder& f, const Image& image);
    Folder& Loaded(const std::string& folder);
    void Load(const std::string& folder, std::string value);

    std::unique_ptr<IndexStore> store_;
    std::map<std::string, Folder> folders_; // by path, without the last '/'
    std::vector<std::string> preloaded_;    // folders read whole, with those under them
};

} // namespace dyskel
