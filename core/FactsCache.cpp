#include "core/FactsCache.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace dyskel {

namespace {

// An entry as its 32 directory bytes, with the directory sector and the
// offset where the link bytes 0 and 1 would be.
void AppendEntryBytes(std::string& out, const DirEntry& e) {
    Block b{};
    b[0] = e.sector;
    b[1] = e.offset;
    b[0x02] = e.typeByte;
    b[0x03] = static_cast<std::uint8_t>(e.first.track);
    b[0x04] = static_cast<std::uint8_t>(e.first.sector);
    std::copy(e.name.begin(), e.name.end(), b.begin() + 0x05);
    b[0x1E] = static_cast<std::uint8_t>(e.blocks & 0xFF);
    b[0x1F] = static_cast<std::uint8_t>(e.blocks >> 8);
    out.append(b.begin(), b.begin() + DirEntrySize);
}

DirEntry EntryFromBytes(const std::uint8_t* p) {
    Block b{};
    std::copy_n(p, DirEntrySize, b.begin());
    DirEntry e = DecodeDirEntry(b, b[0], 0);
    e.offset = b[1];
    return e;
}

// The folder as the start of the paths under it: "FOLDER/".
std::string FolderPrefix(const std::string& folder) {
    std::string prefix = folder;
    while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
    return prefix + '/';
}

} // namespace

FactsCache::FactsCache(std::unique_ptr<IndexStore> store) : store_(std::move(store)) {}

FactsCache::~FactsCache() {
    Commit();
}

std::string FactsCache::DefaultFile() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path base = xdg && *xdg     ? std::filesystem::path(xdg)
                                 : home && *home ? std::filesystem::path(home) / ".cache"
                                                 : std::filesystem::temp_directory_path();
    return (base / "dyskel" / "index.sqlite").string();
}

void FactsCache::Begin() {
    store_->Begin();
}

void FactsCache::Commit() {
    store_->Commit();
}

std::optional<ImageFacts> FactsCache::Facts(const IndexRow& row, const FileStamp& stamp, bool needHashes) {
    if (row.size != stamp.size || row.mtimeNs != stamp.mtimeNs || (needHashes && !row.hashed))
        return std::nullopt;
    ImageFacts facts;
    facts.diskName = row.diskName;
    facts.label = row.label;
    const auto* p = reinterpret_cast<const std::uint8_t*>(row.entries.data());
    facts.entries.reserve(row.entries.size() / DirEntrySize);
    for (std::size_t i = 0; i + DirEntrySize <= row.entries.size(); i += DirEntrySize)
        facts.entries.push_back(EntryFromBytes(p + i));
    if (row.hashed) {
        if (row.hashes.size() != facts.entries.size() * 20) return std::nullopt;
        facts.hashes.resize(facts.entries.size());
        for (std::size_t i = 0; i < facts.hashes.size(); ++i)
            std::copy_n(row.hashes.begin() + std::ptrdiff_t(20 * i), 20, facts.hashes[i].begin());
    }
    facts.note = row.note;
    return facts;
}

void FactsCache::Preload(const std::string& folder) {
    const std::string prefix = FolderPrefix(folder);
    std::string end = prefix;
    // Rows of an earlier search may have been replaced since.
    std::erase(preloadedFolders_, prefix);
    end.back() = '/' + 1; // the first path after every one under the folder
    store_->Range(prefix, end, [this](IndexRow&& row) {
        std::string path = row.path;
        preloaded_[std::move(path)] = std::move(row);
    });
    preloadedFolders_.push_back(prefix);
}

void FactsCache::ForgetGone(const std::string& folder, bool recursive, const std::vector<ImageFile>& found) {
    const std::string prefix = FolderPrefix(folder);
    const auto walked = [&](const std::string& path) {
        auto it = std::lower_bound(found.begin(), found.end(), path,
                                   [](const ImageFile& f, const std::string& p) { return f.path < p; });
        return it != found.end() && it->path == path;
    };
    for (auto it = preloaded_.begin(); it != preloaded_.end();) {
        const std::string& path = it->first;
        const bool under =
            path.starts_with(prefix) && (recursive || path.find('/', prefix.size()) == path.npos);
        if (!under || walked(path) || StampOf(path)) {
            ++it;
            continue;
        }
        store_->Remove(path);
        it = preloaded_.erase(it);
    }
}

std::optional<ImageFacts> FactsCache::Find(const std::string& path, const FileStamp& stamp, bool needHashes) {
    for (const std::string& folder : preloadedFolders_)
        if (path.starts_with(folder)) {
            auto it = preloaded_.find(path);
            return it == preloaded_.end() ? std::nullopt : Facts(it->second, stamp, needHashes);
        }
    std::optional<IndexRow> row = store_->Get(path);
    return row ? Facts(*row, stamp, needHashes) : std::nullopt;
}

void FactsCache::Store(const std::string& path, const FileStamp& stamp, const ImageFacts& facts) {
    IndexRow row;
    row.path = path;
    row.size = stamp.size;
    row.mtimeNs = stamp.mtimeNs;
    row.diskName = facts.diskName;
    row.label = facts.label;
    for (const DirEntry& e : facts.entries) AppendEntryBytes(row.entries, e);
    for (const Sha1Digest& h : facts.hashes) row.hashes.append(h.begin(), h.end());
    // A disk without files has no hashes to read: its row counts as hashed.
    row.hashed = !facts.hashes.empty() || facts.entries.empty();
    row.note = facts.note;
    store_->Put(row);
}

} // namespace dyskel
