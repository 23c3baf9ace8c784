#include "core/FactsCache.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string_view>
#include <utility>

namespace dyskel {

namespace {

// The byte layout of a folder's value, numbers little-endian:
//   per image, sorted by name:
//     u16 name length, name; i64 size; i64 mtime in ns; u8 1 when hashed;
//     u32 facts length, facts
//   facts: u8 length + disk name; u8 length + label; u16 length + note;
//     u16 entry count, 32 bytes an entry (see AppendEntryBytes); when
//     hashed, 20 bytes of SHA-1 an entry

// The bytes of a record before the name, and between name and facts.
constexpr std::uint32_t RecordHead = 2 + 8 + 8 + 1 + 4;

void PutNumber(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += char((v >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, std::string_view text, int lengthBytes) {
    PutNumber(out, text.size(), lengthBytes);
    out += text;
}

// Reads the layout back; any read past the end makes it not ok.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}
    bool Ok() const { return ok_; }
    bool AtEnd() const { return rest_.empty(); }
    std::size_t Left() const { return rest_.size(); }
    std::string_view Bytes(std::size_t n) {
        if (n > rest_.size()) {
            ok_ = false;
            n = rest_.size();
        }
        std::string_view taken = rest_.substr(0, n);
        rest_.remove_prefix(n);
        return taken;
    }
    std::uint64_t Number(int bytes) {
        std::uint64_t v = 0;
        const std::string_view b = Bytes(std::size_t(bytes));
        for (std::size_t i = b.size(); i-- > 0;) v = v << 8 | std::uint8_t(b[i]);
        return v;
    }
    std::string_view Text(int lengthBytes) { return Bytes(Number(lengthBytes)); }

  private:
    std::string_view rest_;
    bool ok_ = true;
};

// An entry as its 32 directory bytes, with the directory sector and the
// offset where the link bytes 0 and 1 would be.
void AppendEntryBytes(std::string& out, const DirEntry& e) {
    std::array<std::uint8_t, DirEntrySize> b{};
    b[0] = e.sector;
    b[1] = e.offset;
    b[0x02] = e.typeByte;
    b[0x03] = static_cast<std::uint8_t>(e.first.track);
    b[0x04] = static_cast<std::uint8_t>(e.first.sector);
    std::copy(e.name.begin(), e.name.end(), b.begin() + 0x05);
    b[0x1E] = static_cast<std::uint8_t>(e.blocks & 0xFF);
    b[0x1F] = static_cast<std::uint8_t>(e.blocks >> 8);
    out.append(b.begin(), b.end());
}

DirEntry EntryFromBytes(std::string_view bytes) {
    Block b; // only the entry's 32 bytes are read
    std::copy_n(bytes.begin(), DirEntrySize, b.begin());
    DirEntry e = DecodeDirEntry(b, b[0], 0);
    e.offset = b[1];
    return e;
}

std::string EncodeFacts(const ImageFacts& facts) {
    std::string out;
    out.reserve(64 + facts.entries.size() * (DirEntrySize + 20));
    PutText(out, facts.diskName, 1);
    PutText(out, facts.label, 1);
    PutText(out, facts.note, 2);
    PutNumber(out, facts.entries.size(), 2);
    for (const DirEntry& e : facts.entries) AppendEntryBytes(out, e);
    for (const Sha1Digest& h : facts.hashes) out.append(h.begin(), h.end());
    return out;
}

std::optional<ImageFacts> DecodeFacts(std::string_view bytes, bool hashed) {
    Reader in(bytes);
    ImageFacts facts;
    facts.diskName = in.Text(1);
    facts.label = in.Text(1);
    facts.note = in.Text(2);
    const std::size_t count = in.Number(2);
    const std::string_view entries = in.Bytes(count * DirEntrySize);
    const std::string_view hashes = in.Bytes(hashed ? count * 20 : 0);
    if (!in.Ok() || !in.AtEnd()) return std::nullopt;
    facts.entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        facts.entries.push_back(EntryFromBytes(entries.substr(i * DirEntrySize)));
    if (hashed) {
        facts.hashes.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            std::copy_n(hashes.begin() + std::ptrdiff_t(20 * i), 20, facts.hashes[i].begin());
    }
    return facts;
}

// The folder of a path without its last '/' ("" for the root), and the name.
std::pair<std::string, std::string_view> SplitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {"", path};
    return {path.substr(0, slash), std::string_view(path).substr(slash + 1)};
}

std::string WithoutLastSlash(const std::string& folder) {
    std::string f = folder;
    while (!f.empty() && f.back() == '/') f.pop_back();
    return f;
}

// The folder itself or one under it.
bool Under(const std::string& key, const std::string& folder) {
    return key.starts_with(folder) && (key.size() == folder.size() || key[folder.size()] == '/');
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

FactsCache::Bytes::Bytes(Bytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

FactsCache::Bytes& FactsCache::Bytes::operator=(Bytes&& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    return *this;
}

FactsCache::Bytes::~Bytes() {
    std::free(data_);
}

void FactsCache::Bytes::Append(std::string_view bytes) {
    if (size_ + bytes.size() > capacity_) {
        const std::size_t capacity = std::max({std::size_t(4096), 2 * capacity_, size_ + bytes.size()});
        char* grown = static_cast<char*>(std::realloc(data_, capacity));
        if (!grown) throw std::bad_alloc();
        data_ = grown;
        capacity_ = capacity;
    }
    std::memcpy(data_ + size_, bytes.data(), bytes.size());
    size_ += bytes.size();
}

std::string_view FactsCache::Record(const Folder& f, const Image& image) {
    const std::string_view all = image.stored ? f.stored.View() : std::string_view(f.bytes);
    return all.substr(image.at, RecordHead + image.nameSize + image.factsSize);
}

std::string_view FactsCache::Name(const Folder& f, const Image& image) {
    return Record(f, image).substr(2, image.nameSize);
}

std::string_view FactsCache::Facts(const Folder& f, const Image& image) {
    return Record(f, image).substr(RecordHead + image.nameSize);
}

void FactsCache::Load(const std::string& folder, std::string value) {
    Folder& f = folders_[folder] = Folder{};
    f.bytes = std::move(value);
    f.inOrder = f.bytes.empty();
    Reader in(f.bytes);
    while (in.Ok() && !in.AtEnd()) {
        Image image;
        image.at = std::uint32_t(f.bytes.size() - in.Left());
        image.nameSize = std::uint16_t(in.Text(2).size());
        image.stamp.size = std::int64_t(in.Number(8));
        image.stamp.mtimeNs = std::int64_t(in.Number(8));
        image.hashed = in.Number(1) != 0;
        image.factsSize = std::uint32_t(in.Text(4).size());
        f.images.push_back(image);
    }
    // A damaged value is only a folder to read again.
    if (!in.Ok()) f.images.clear();
    const auto byName = [&](const Image& a, const Image& b) { return Name(f, a) < Name(f, b); };
    if (!std::is_sorted(f.images.begin(), f.images.end(), byName))
        std::sort(f.images.begin(), f.images.end(), byName);
}

FactsCache::Folder& FactsCache::Loaded(const std::string& folder) {
    auto it = folders_.find(folder);
    if (it != folders_.end()) return it->second;
    const bool preloaded = std::any_of(preloaded_.begin(), preloaded_.end(),
                                       [&](const std::string& root) { return Under(folder, root); });
    std::optional<std::string> value = preloaded ? std::nullopt : store_->Get(folder);
    Load(folder, value ? std::move(*value) : std::string());
    return folders_[folder];
}

void FactsCache::Preload(const std::string& folder) {
    const std::string root = WithoutLastSlash(folder);
    // What another search has written since is read again; what this one
    // changed and has not written yet is kept.
    std::erase_if(folders_, [&](const auto& f) { return !f.second.changed && Under(f.first, root); });
    std::string end = root + '/';
    end.back() = '/' + 1; // the first key after every one under the folder
    store_->Range(root, end, [&](std::string&& key, std::string&& value) {
        if (!Under(key, root)) return; // "F-x" sorts between "F" and "F/"
        if (auto it = folders_.find(key); it == folders_.end() || !it->second.changed)
            Load(key, std::move(value));
    });
    if (std::find(preloaded_.begin(), preloaded_.end(), root) == preloaded_.end()) preloaded_.push_back(root);
}

void FactsCache::ForgetGone(const std::string& folder, bool recursive, const std::vector<ImageFile>& found) {
    const std::string root = WithoutLastSlash(folder);
    std::string path;
    for (auto& entry : folders_) {
        const std::string& key = entry.first;
        Folder& f = entry.second;
        if (!(recursive ? Under(key, root) : key == root)) continue;
        const std::size_t before = f.images.size();
        std::erase_if(f.images, [&](const Image& image) {
            path.assign(key).append(1, '/').append(Name(f, image));
            const auto it =
                std::lower_bound(found.begin(), found.end(), path,
                                 [](const ImageFile& file, const std::string& p) { return file.path < p; });
            return !(it != found.end() && it->path == path) && !StampOf(path);
        });
        if (f.images.size() != before) f.changed = true, f.inOrder = false;
    }
}

std::optional<ImageFacts> FactsCache::Find(const std::string& path, const FileStamp& stamp, bool needHashes) {
    const auto [folder, name] = SplitPath(path);
    const Folder& f = Loaded(folder);
    const auto it =
        std::lower_bound(f.images.begin(), f.images.end(), name,
                         [&](const Image& image, std::string_view n) { return Name(f, image) < n; });
    if (it == f.images.end() || Name(f, *it) != name || it->stamp != stamp || (needHashes && !it->hashed))
        return std::nullopt;
    return DecodeFacts(Facts(f, *it), it->hashed);
}

void FactsCache::Store(const std::string& path, const FileStamp& stamp, const ImageFacts& facts) {
    const auto [folder, name] = SplitPath(path);
    Folder& f = Loaded(folder);
    auto it = std::lower_bound(f.images.begin(), f.images.end(), name,
                               [&](const Image& image, std::string_view n) { return Name(f, image) < n; });
    const bool replaced = it != f.images.end() && Name(f, *it) == name;
    if (replaced || it != f.images.end()) f.inOrder = false;
    if (!replaced) it = f.images.insert(it, Image{});
    const std::string encoded = EncodeFacts(facts);
    it->stored = true;
    it->at = std::uint32_t(f.stored.View().size());
    it->nameSize = std::uint16_t(name.size());
    it->stamp = stamp;
    // A disk without files has no hashes to read: it counts as hashed.
    it->hashed = !facts.hashes.empty() || facts.entries.empty();
    it->factsSize = std::uint32_t(encoded.size());
    std::string head;
    PutText(head, name, 2);
    PutNumber(head, std::uint64_t(stamp.size), 8);
    PutNumber(head, std::uint64_t(stamp.mtimeNs), 8);
    PutNumber(head, it->hashed ? 1 : 0, 1);
    PutNumber(head, encoded.size(), 4);
    f.stored.Append(head);
    f.stored.Append(encoded);
    f.changed = true;
}

void FactsCache::Begin() {
    store_->Begin();
}

void FactsCache::Commit() {
    for (auto& [key, f] : folders_) {
        if (!f.changed) continue;
        if (f.images.empty()) {
            store_->Remove(key);
        } else if (f.inOrder) {
            store_->Put(key, f.stored.View()); // already the value
        } else {
            std::string value;
            std::size_t size = 0;
            for (const Image& image : f.images) size += Record(f, image).size();
            value.reserve(size);
            for (const Image& image : f.images) value += Record(f, image);
            store_->Put(key, value);
        }
        f.changed = false;
    }
    store_->Commit();
}

} // namespace dyskel
