#include "core/FactsCache.h"

#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>
#include <sys/stat.h>

namespace dyskel {

namespace {

// Raised when the layout of the table changes; an older table is dropped.
constexpr int SchemaVersion = 1;

constexpr const char* CreateSql = "CREATE TABLE IF NOT EXISTS images ("
                                  " path TEXT PRIMARY KEY,"
                                  " size INTEGER NOT NULL,"
                                  " mtime_ns INTEGER NOT NULL,"
                                  " disk_name BLOB NOT NULL,"
                                  " label BLOB NOT NULL,"
                                  " entries BLOB NOT NULL," // 32 bytes an entry, see EntryBytes
                                  " hashes BLOB,"           // 20 bytes an entry; NULL when not read
                                  " note TEXT NOT NULL)";

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
    sqlite3_bind_blob(st, col, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
}

} // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return FileStamp{st.st_size, std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::string FactsCache::DefaultFile() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path base = xdg && *xdg     ? std::filesystem::path(xdg)
                                 : home && *home ? std::filesystem::path(home) / ".cache"
                                                 : std::filesystem::temp_directory_path();
    return (base / "dyskel" / "index.sqlite").string();
}

Result<std::unique_ptr<FactsCache>> FactsCache::Open(const std::string& file) {
    std::error_code ec;
    const auto folder = std::filesystem::path(file).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    std::unique_ptr<FactsCache> cache(new FactsCache);
    const auto fail = [&](const std::string& what) {
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
    const std::string setup = std::string("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;") +
                              (version != SchemaVersion ? "DROP TABLE IF EXISTS images;" : "") + CreateSql +
                              "; PRAGMA user_version=" + std::to_string(SchemaVersion);
    if (sqlite3_exec(cache->db_, setup.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("could not be set up");
    if (sqlite3_prepare_v2(cache->db_,
                           "SELECT size, mtime_ns, disk_name, label, entries, hashes, note FROM images "
                           "WHERE path = ?",
                           -1, &cache->find_, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(cache->db_, "INSERT OR REPLACE INTO images VALUES (?, ?, ?, ?, ?, ?, ?, ?)", -1,
                           &cache->store_, nullptr) != SQLITE_OK)
        return fail("could not be read");
    return cache;
}

FactsCache::~FactsCache() {
    Commit();
    sqlite3_finalize(find_);
    sqlite3_finalize(store_);
    sqlite3_close(db_);
}

void FactsCache::Begin() {
    if (!inTransaction_) inTransaction_ = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void FactsCache::Commit() {
    if (inTransaction_) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    inTransaction_ = false;
}

std::optional<ImageFacts> FactsCache::Find(const std::string& path, const FileStamp& stamp, bool needHashes) {
    sqlite3_reset(find_);
    sqlite3_bind_text(find_, 1, path.data(), int(path.size()), SQLITE_STATIC);
    if (sqlite3_step(find_) != SQLITE_ROW) return std::nullopt;
    if (sqlite3_column_int64(find_, 0) != stamp.size || sqlite3_column_int64(find_, 1) != stamp.mtimeNs)
        return std::nullopt;
    const bool hashed = sqlite3_column_type(find_, 5) != SQLITE_NULL;
    if (needHashes && !hashed) return std::nullopt;
    ImageFacts facts;
    facts.diskName = BlobText(find_, 2);
    facts.label = BlobText(find_, 3);
    const std::string entries = BlobText(find_, 4);
    const auto* p = reinterpret_cast<const std::uint8_t*>(entries.data());
    for (std::size_t i = 0; i + DirEntrySize <= entries.size(); i += DirEntrySize)
        facts.entries.push_back(EntryFromBytes(p + i));
    if (hashed) {
        const std::string hashes = BlobText(find_, 5);
        if (hashes.size() != facts.entries.size() * 20) return std::nullopt;
        facts.hashes.resize(facts.entries.size());
        for (std::size_t i = 0; i < facts.hashes.size(); ++i)
            std::copy_n(hashes.begin() + std::ptrdiff_t(20 * i), 20, facts.hashes[i].begin());
    }
    const auto* note = sqlite3_column_text(find_, 6);
    facts.note = note ? reinterpret_cast<const char*>(note) : "";
    sqlite3_reset(find_);
    return facts;
}

void FactsCache::Store(const std::string& path, const FileStamp& stamp, const ImageFacts& facts) {
    std::string entries, hashes;
    for (const DirEntry& e : facts.entries) AppendEntryBytes(entries, e);
    for (const Sha1Digest& h : facts.hashes) hashes.append(h.begin(), h.end());
    sqlite3_reset(store_);
    sqlite3_bind_text(store_, 1, path.data(), int(path.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(store_, 2, stamp.size);
    sqlite3_bind_int64(store_, 3, stamp.mtimeNs);
    BindBlob(store_, 4, facts.diskName);
    BindBlob(store_, 5, facts.label);
    BindBlob(store_, 6, entries);
    if (facts.hashes.empty() && !facts.entries.empty())
        sqlite3_bind_null(store_, 7);
    else
        BindBlob(store_, 7, hashes);
    sqlite3_bind_text(store_, 8, facts.note.data(), int(facts.note.size()), SQLITE_TRANSIENT);
    sqlite3_step(store_);
    sqlite3_reset(store_);
}

} // namespace dyskel
