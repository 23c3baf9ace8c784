#include "index/SqliteIndex.h"

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
                                  " entries BLOB NOT NULL," // 32 bytes an entry
                                  " hashes BLOB,"           // 20 bytes an entry; NULL when not read
                                  " note TEXT NOT NULL) WITHOUT ROWID";
constexpr const char* SelectSql = "SELECT path, size, mtime_ns, disk_name, label, entries, hashes, note "
                                  "FROM images WHERE ";

std::string BlobText(sqlite3_stmt* st, int col) {
    const void* p = sqlite3_column_blob(st, col);
    return p ? std::string(static_cast<const char*>(p), std::size_t(sqlite3_column_bytes(st, col))) : "";
}

void BindText(sqlite3_stmt* st, int col, const std::string& text) {
    sqlite3_bind_text(st, col, text.data(), int(text.size()), SQLITE_STATIC); // kept until the step
}

void BindBlob(sqlite3_stmt* st, int col, const std::string& bytes) {
    sqlite3_bind_blob(st, col, bytes.data(), int(bytes.size()), SQLITE_STATIC);
}

IndexRow ReadRow(sqlite3_stmt* st) {
    IndexRow row;
    row.path = BlobText(st, 0);
    row.size = sqlite3_column_int64(st, 1);
    row.mtimeNs = sqlite3_column_int64(st, 2);
    row.diskName = BlobText(st, 3);
    row.label = BlobText(st, 4);
    row.entries = BlobText(st, 5);
    row.hashed = sqlite3_column_type(st, 6) != SQLITE_NULL;
    row.hashes = BlobText(st, 6);
    row.note = BlobText(st, 7);
    return row;
}

class SqliteIndex final : public IndexStore {
  public:
    static Result<std::unique_ptr<IndexStore>> Open(const std::string& file, bool mayRebuild);
    ~SqliteIndex() override;

    std::optional<IndexRow> Get(const std::string& path) override;
    void Range(const std::string& first, const std::string& end,
               const std::function<void(IndexRow&&)>& row) override;
    void Put(const IndexRow& row) override;
    void Remove(const std::string& path) override;
    void Begin() override;
    void Commit() override;

  private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* find_ = nullptr;
    sqlite3_stmt* range_ = nullptr;
    sqlite3_stmt* store_ = nullptr;
    sqlite3_stmt* forget_ = nullptr;
    bool inTransaction_ = false;
};

Result<std::unique_ptr<IndexStore>> SqliteIndex::Open(const std::string& file, bool mayRebuild) {
    std::error_code ec;
    const auto folder = std::filesystem::path(file).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    auto index = std::make_unique<SqliteIndex>();
    const auto fail = [&](const std::string& what) -> Result<std::unique_ptr<IndexStore>> {
        // The index holds nothing that cannot be read again: a damaged file
        // is made anew.
        const int code = index->db_ ? sqlite3_errcode(index->db_) : SQLITE_NOMEM;
        if (mayRebuild && (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)) {
            index.reset();
            for (const char* end : {"", "-wal", "-shm"}) std::filesystem::remove(file + end, ec);
            return Open(file, false);
        }
        return Failure{"The search index \"" + file + "\" " + what + ": " +
                       (index->db_ ? sqlite3_errmsg(index->db_) : "out of memory")};
    };
    sqlite3* db = nullptr;
    const int opened = sqlite3_open(file.c_str(), &db);
    index->db_ = db;
    if (opened != SQLITE_OK) return fail("could not be opened");
    sqlite3_busy_timeout(db, 2000);
    int version = 0;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    const std::string setup = std::string("PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;") +
                              (version != SchemaVersion ? "DROP TABLE IF EXISTS images;" : "") + CreateSql +
                              "; PRAGMA user_version=" + std::to_string(SchemaVersion);
    if (sqlite3_exec(db, setup.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("could not be set up");
    const std::string select = SelectSql;
    if (sqlite3_prepare_v2(db, (select + "path = ?").c_str(), -1, &index->find_, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, (select + "path >= ? AND path < ? ORDER BY path").c_str(), -1, &index->range_,
                           nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO images VALUES (?, ?, ?, ?, ?, ?, ?, ?)", -1,
                           &index->store_, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "DELETE FROM images WHERE path = ?", -1, &index->forget_, nullptr) !=
            SQLITE_OK)
        return fail("could not be read");
    return std::unique_ptr<IndexStore>(std::move(index));
}

SqliteIndex::~SqliteIndex() {
    Commit();
    sqlite3_finalize(find_);
    sqlite3_finalize(range_);
    sqlite3_finalize(store_);
    sqlite3_finalize(forget_);
    sqlite3_close(db_);
}

void SqliteIndex::Begin() {
    if (!inTransaction_) inTransaction_ = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void SqliteIndex::Commit() {
    if (inTransaction_) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    inTransaction_ = false;
}

std::optional<IndexRow> SqliteIndex::Get(const std::string& path) {
    sqlite3_reset(find_);
    BindText(find_, 1, path);
    std::optional<IndexRow> row;
    if (sqlite3_step(find_) == SQLITE_ROW) row = ReadRow(find_);
    sqlite3_reset(find_);
    return row;
}

void SqliteIndex::Range(const std::string& first, const std::string& end,
                        const std::function<void(IndexRow&&)>& row) {
    sqlite3_reset(range_);
    BindText(range_, 1, first);
    BindText(range_, 2, end);
    while (sqlite3_step(range_) == SQLITE_ROW) row(ReadRow(range_));
    sqlite3_reset(range_);
}

void SqliteIndex::Put(const IndexRow& row) {
    sqlite3_reset(store_);
    BindText(store_, 1, row.path);
    sqlite3_bind_int64(store_, 2, row.size);
    sqlite3_bind_int64(store_, 3, row.mtimeNs);
    BindBlob(store_, 4, row.diskName);
    BindBlob(store_, 5, row.label);
    BindBlob(store_, 6, row.entries);
    if (row.hashed)
        BindBlob(store_, 7, row.hashes);
    else
        sqlite3_bind_null(store_, 7);
    BindText(store_, 8, row.note);
    sqlite3_step(store_);
    sqlite3_reset(store_);
}

void SqliteIndex::Remove(const std::string& path) {
    sqlite3_reset(forget_);
    BindText(forget_, 1, path);
    sqlite3_step(forget_);
    sqlite3_reset(forget_);
}

} // namespace

Result<std::unique_ptr<IndexStore>> OpenSqliteIndex(const std::string& file) {
    return SqliteIndex::Open(file, true);
}

} // namespace dyskel
