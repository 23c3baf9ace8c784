#include "core/FactsCache.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>

namespace dyskel {

namespace {

// Raised when the layout of the table changes; an older table is dropped.
constexpr int SchemaVersion = 2;

constexpr const char* CreateSql = "CREATE TABLE IF NOT EXISTS images ("
                                  " path TEXT PRIMARY KEY,"
                                  " size INTEGER NOT NULL,"
                                  " mtime_ns INTEGER NOT NULL,"
                                  " disk_name BLOB NOT NULL,"
                                  " label BLOB NOT NULL,"
                                  " entries BLOB NOT NULL," // 32 bytes an entry, see EntryBytes
                                  " hashes BLOB,"           // 20 bytes an entry; NULL when not read
                                  " note TEXT NOT NULL) WITHOUT ROWID";
constexpr const char* RowColumns = "size, mtime_ns, disk_name, label, entries, hashes, note";

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

std::string BlobText(sqlite3_stmt* st, int col) {
    const void* p = sqlite3_column_blob(st, col);
    return p ? std::string(static_cast<const char*>(p), std::size_t(sqlite3_column_bytes(st, col))) : "";
}

void BindBlob(sqlite3_stmt* st, int col, const std::string& bytes) {
    sqlite3_bind_blob(st, col, bytes.data(), int(bytes.size()), SQLITE_STATIC); // kept until the step
}

// The folder as the start of the paths under it: "FOLDER/".
std::string FolderPrefix(const std::string& folder) {
    std::string prefix = folder;
    while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
    return prefix + '/';
}

} // namespace

std::string FactsCache::DefaultFile() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path base = xdg && *xdg     ? std::filesystem::path(xdg)
                                 : home && *home ? std::filesystem::path(home) / ".cache"
                                                 : std::filesystem::temp_directory_path();
    return (base / "dyskel" / "index.sqlite").string();
}

Result<std::unique_ptr<FactsCache>> FactsCache::Open(const std::string& file) {
    return OpenFile(file, true);
}

Result<std::unique_ptr<FactsCache>> FactsCache::OpenFile(const std::string& file, bool mayRebuild) {
    std::error_code ec;
    const auto folder = std::filesystem::path(file).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    std::unique_ptr<FactsCache> cache(new FactsCache);
    const auto fail = [&](const std::string& what) -> Result<std::unique_ptr<FactsCache>> {
        // The index holds nothing that cannot be read again: a damaged file
        // is made anew.
        const int code = cache->db_ ? sqlite3_errcode(cache->db_) : SQLITE_NOMEM;
        if (mayRebuild && (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)) {
            cache.reset();
            for (const char* end : {"", "-wal", "-shm"}) std::filesystem::remove(file + end, ec);
            return OpenFile(file, false);
        }
        return Failure{"The search index \"" + file + "\" " + what + ": " +
                       (cache->db_ ? sqlite3_errmsg(cache->db_) : "out of memory")};
    };
    if (sqlite3_open(file.c_str(), &cache->db_) != SQLITE_OK) return fail("could not be opened");
    sqlite3_busy_timeout(cache->db_, 2000);
    int version = 0;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(cache->db_, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    const std::string setup = std::string("PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;") +
                              (version != SchemaVersion ? "DROP TABLE IF EXISTS images;" : "") + CreateSql +
                              "; PRAGMA user_version=" + std::to_string(SchemaVersion);
    if (sqlite3_exec(cache->db_, setup.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("could not be set up");
    const std::string select = std::string("SELECT ") + RowColumns + ", path FROM images WHERE ";
    if (sqlite3_prepare_v2(cache->db_, (select + "path = ?").c_str(), -1, &cache->find_, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(cache->db_, (select + "path >= ? AND path < ?").c_str(), -1, &cache->range_,
                           nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(cache->db_, "INSERT OR REPLACE INTO images VALUES (?, ?, ?, ?, ?, ?, ?, ?)", -1,
                           &cache->store_, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(cache->db_, "DELETE FROM images WHERE path = ?", -1, &cache->forget_, nullptr) !=
            SQLITE_OK)
        return fail("could not be read");
    return cache;
}

FactsCache::~FactsCache() {
    Commit();
    sqlite3_finalize(find_);
    sqlite3_finalize(range_);
    sqlite3_finalize(store_);
    sqlite3_finalize(forget_);
    sqlite3_close(db_);
}

void FactsCache::Begin() {
    if (!inTransaction_) inTransaction_ = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void FactsCache::Commit() {
    if (inTransaction_) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    inTransaction_ = false;
}

FactsCache::Row FactsCache::ReadRow(sqlite3_stmt* st) {
    Row row;
    row.size = sqlite3_column_int64(st, 0);
    row.mtimeNs = sqlite3_column_int64(st, 1);
    row.diskName = BlobText(st, 2);
    row.label = BlobText(st, 3);
    row.entries = BlobText(st, 4);
    row.hashed = sqlite3_column_type(st, 5) != SQLITE_NULL;
    row.hashes = BlobText(st, 5);
    const auto* note = sqlite3_column_text(st, 6);
    row.note = note ? reinterpret_cast<const char*>(note) : "";
    return row;
}

std::optional<ImageFacts> FactsCache::Facts(const Row& row, const FileStamp& stamp, bool needHashes) {
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
    sqlite3_reset(range_);
    sqlite3_bind_text(range_, 1, prefix.data(), int(prefix.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(range_, 2, end.data(), int(end.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(range_) == SQLITE_ROW) {
        const auto* path = reinterpret_cast<const char*>(sqlite3_column_text(range_, 7));
        if (path) preloaded_[path] = ReadRow(range_);
    }
    sqlite3_reset(range_);
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
        sqlite3_reset(forget_);
        sqlite3_bind_text(forget_, 1, path.data(), int(path.size()), SQLITE_STATIC);
        sqlite3_step(forget_);
        sqlite3_reset(forget_);
        it = preloaded_.erase(it);
    }
}

std::optional<ImageFacts> FactsCache::Find(const std::string& path, const FileStamp& stamp, bool needHashes) {
    for (const std::string& folder : preloadedFolders_)
        if (path.starts_with(folder)) {
            auto it = preloaded_.find(path);
            return it == preloaded_.end() ? std::nullopt : Facts(it->second, stamp, needHashes);
        }
    sqlite3_reset(find_);
    sqlite3_bind_text(find_, 1, path.data(), int(path.size()), SQLITE_STATIC);
    std::optional<ImageFacts> facts;
    if (sqlite3_step(find_) == SQLITE_ROW) facts = Facts(ReadRow(find_), stamp, needHashes);
    sqlite3_reset(find_);
    return facts;
}

void FactsCache::Store(const std::string& path, const FileStamp& stamp, const ImageFacts& facts) {
    std::string entries, hashes;
    for (const DirEntry& e : facts.entries) AppendEntryBytes(entries, e);
    for (const Sha1Digest& h : facts.hashes) hashes.append(h.begin(), h.end());
    sqlite3_reset(store_);
    sqlite3_bind_text(store_, 1, path.data(), int(path.size()), SQLITE_STATIC);
    sqlite3_bind_int64(store_, 2, stamp.size);
    sqlite3_bind_int64(store_, 3, stamp.mtimeNs);
    BindBlob(store_, 4, facts.diskName);
    BindBlob(store_, 5, facts.label);
    BindBlob(store_, 6, entries);
    if (facts.hashes.empty() && !facts.entries.empty())
        sqlite3_bind_null(store_, 7);
    else
        BindBlob(store_, 7, hashes);
    sqlite3_bind_text(store_, 8, facts.note.data(), int(facts.note.size()), SQLITE_STATIC);
    sqlite3_step(store_);
    sqlite3_reset(store_);
}

} // namespace dyskel
