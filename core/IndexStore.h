// Where the search index keeps its rows: one row per image, keyed by path.
// The engine knows the index only through this interface (FactsCache turns
// rows into what a search needs); the SQLite file that keeps them is the
// library in index/, which the windows link and dyskel-cli loads only for a
// search.  Plain C++: nothing here needs SQLite.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace dyskel {

// One image as the index keeps it.
struct IndexRow {
    std::string path;
    std::int64_t size = 0, mtimeNs = 0; // the file's stamp when it was read
    std::string diskName, label;
    std::string entries; // 32 bytes an entry
    std::string hashes;  // 20 bytes an entry
    bool hashed = false; // hashes were read (a disk without files has none)
    std::string note;
};

class IndexStore {
  public:
    virtual ~IndexStore() = default;
    virtual std::optional<IndexRow> Get(const std::string& path) = 0;
    // Every row whose path p has first <= p < end, in path order.
    virtual void Range(const std::string& first, const std::string& end,
                       const std::function<void(IndexRow&&)>& row) = 0;
    virtual void Put(const IndexRow& row) = 0;
    virtual void Remove(const std::string& path) = 0;
    // Puts and removes between Begin and Commit are one transaction.
    virtual void Begin() = 0;
    virtual void Commit() = 0;
};

} // namespace dyskel
