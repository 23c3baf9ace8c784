#include "index/SqliteIndex.h"

#include <filesystem>
#include <sqlite3.h>
#include <vector>

namespace dyskel {

namespace {

// Raised when the layout of the file changes; the tables of an older one are
// dropped.  2: a row per image; 3: a row per folder.
constexpr int SchemaVersion = 3;

// A value is every image of one folder (FactsCache's byte layout), some
// hundred kilobytes for a folder of a thousand images: pages of 16 KiB keep a
// search's writes to a few dozen (the page size holds for a new file).
// Values are read from the file mapped into memory and written into their
// pages in place (incremental blob I/O), never copied whole by SQLite first;
// a few cached pages are then enough.
constexpr const char* SetupSql = "PRAGMA page_size=16384; PRAGMA synchronous=OFF; PRAGMA journal_mode=WAL;"
                                 "PRAGMA mmap_size=1073741824; PRAGMA cache_size=4;";
constexpr const char* CreateSql = "CREATE TABLE IF NOT EXISTS folders ("
                                  " folder TEXT PRIMARY KEY NOT NULL,"
                                  " images BLOB NOT NULL)";

std::string Text(sqlite3_stmt* st, int col) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
    return p ? std::string(p, std::size_t(sqlite3_column_bytes(st, col))) : "";
}

void BindText(sqlite3_stmt* st, int col, const std::string& text) {
    sqlite3_bind_text(st, col, text.data(), int(text.size()), SQLITE_STATIC); // kept until the step
}

class SqliteIndex final : public IndexStore {
  public:
    static Result<std::unique_ptr<IndexStore>> Open(const std::string& file, bool mayRebuild);
    ~SqliteIndex() override;

    std::optional<std::string> Get(const std::string& key) override;
    void Range(const std::string& first, const std::string& end,
               const std::function<void(std::string&& key, std::string&& value)>& each) override;
    void Put(const std::string& key, std::string_view value) override;
    void Remove(const std::string& key) override;
    void Begin() override;
    void Commit() override;

  private:
    // The value of a row read straight into a string of its size (no copy
    // assembled by SQLite first).
    std::string Value(sqlite3_int64 row);

    sqlite3* db_ = nullptr;
    sqlite3_blob* blob_ = nullptr;
    sqlite3_stmt* get_ = nullptr;
    sqlite3_stmt* range_ = nullptr;
    sqlite3_stmt* put_ = nullptr;
    sqlite3_stmt* remove_ = nullptr;
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
    const std::string setup =
        std::string(SetupSql) +
        (version != SchemaVersion ? "DROP TABLE IF EXISTS images; DROP TABLE IF EXISTS folders;" : "") +
        CreateSql + "; PRAGMA user_version=" + std::to_string(SchemaVersion);
    if (sqlite3_exec(db, setup.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("could not be set up");
    if (sqlite3_prepare_v2(db, "SELECT rowid FROM folders WHERE folder = ?", -1, &index->get_, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v2(
            db, "SELECT rowid, folder FROM folders WHERE folder >= ? AND folder < ? ORDER BY folder", -1,
            &index->range_, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO folders VALUES (?, zeroblob(?))", -1, &index->put_,
                           nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "DELETE FROM folders WHERE folder = ?", -1, &index->remove_, nullptr) !=
            SQLITE_OK)
        return fail("could not be read");
    return std::unique_ptr<IndexStore>(std::move(index));
}

SqliteIndex::~SqliteIndex() {
    Commit();
    sqlite3_blob_close(blob_);
    sqlite3_finalize(get_);
    sqlite3_finalize(range_);
    sqlite3_finalize(put_);
    sqlite3_finalize(remove_);
    sqlite3_close(db_);
}

void SqliteIndex::Begin() {
    if (!inTransaction_) inTransaction_ = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void SqliteIndex::Commit() {
    sqlite3_blob_close(blob_);
    blob_ = nullptr;
    if (inTransaction_) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    inTransaction_ = false;
}

std::string SqliteIndex::Value(sqlite3_int64 row) {
    const int opened = blob_ ? sqlite3_blob_reopen(blob_, row)
                             : sqlite3_blob_open(db_, "main", "folders", "images", row, 0, &blob_);
    if (opened != SQLITE_OK) {
        sqlite3_blob_close(blob_);
        blob_ = nullptr;
        return {};
    }
    std::string value(std::size_t(sqlite3_blob_bytes(blob_)), '\0');
    if (sqlite3_blob_read(blob_, value.data(), int(value.size()), 0) != SQLITE_OK) return {};
    return value;
}

std::optional<std::string> SqliteIndex::Get(const std::string& key) {
    sqlite3_reset(get_);
    BindText(get_, 1, key);
    std::optional<sqlite3_int64> row;
    if (sqlite3_step(get_) == SQLITE_ROW) row = sqlite3_column_int64(get_, 0);
    sqlite3_reset(get_);
    if (!row) return std::nullopt;
    return Value(*row);
}

void SqliteIndex::Range(const std::string& first, const std::string& end,
                        const std::function<void(std::string&& key, std::string&& value)>& each) {
    sqlite3_reset(range_);
    BindText(range_, 1, first);
    BindText(range_, 2, end);
    std::vector<std::pair<sqlite3_int64, std::string>> rows;
    while (sqlite3_step(range_) == SQLITE_ROW)
        rows.emplace_back(sqlite3_column_int64(range_, 0), Text(range_, 1));
    sqlite3_reset(range_);
    for (auto& [row, key] : rows) each(std::move(key), Value(row));
}

void SqliteIndex::Put(const std::string& key, std::string_view value) {
    // A row being replaced must not be held open for reading.
    sqlite3_blob_close(blob_);
    blob_ = nullptr;
    sqlite3_reset(put_);
    BindText(put_, 1, key);
    sqlite3_bind_int64(put_, 2, sqlite3_int64(value.size()));
    const bool inserted = sqlite3_step(put_) == SQLITE_DONE;
    sqlite3_reset(put_);
    sqlite3_blob* blob = nullptr;
    if (!inserted ||
        sqlite3_blob_open(db_, "main", "folders", "images", sqlite3_last_insert_rowid(db_), 1, &blob) !=
            SQLITE_OK ||
        sqlite3_blob_write(blob, value.data(), int(value.size()), 0) != SQLITE_OK) {
        sqlite3_blob_close(blob);
        Remove(key); // no half-written value
        return;
    }
    sqlite3_blob_close(blob);
}

void SqliteIndex::Remove(const std::string& key) {
    sqlite3_blob_close(blob_);
    blob_ = nullptr;
    sqlite3_reset(remove_);
    BindText(remove_, 1, key);
    sqlite3_step(remove_);
    sqlite3_reset(remove_);
}

} // namespace

Result<std::unique_ptr<IndexStore>> OpenSqliteIndex(const std::string& file) {
    return SqliteIndex::Open(file, true);
}

} // namespace dyskel
