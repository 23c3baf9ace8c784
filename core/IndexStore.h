// Where the search index keeps its bytes: a value per key, the key a folder's
// path and the value what FactsCache read of that folder's images.  The
// engine knows the index only through this interface; the SQLite file that
// keeps the values is the library in index/, which the windows link and
// dyskel-cli loads only for a search.  Plain C++: nothing here needs SQLite.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dyskel {

class IndexStore {
  public:
    virtual ~IndexStore() = default;
    virtual std::optional<std::string> Get(const std::string& key) = 0;
    // Every key k with first <= k < end and its value, in key order.
    virtual void Range(const std::string& first, const std::string& end,
                       const std::function<void(std::string&& key, std::string&& value)>& each) = 0;
    virtual void Put(const std::string& key, std::string_view value) = 0;
    virtual void Remove(const std::string& key) = 0;
    // Puts and removes between Begin and Commit are one transaction.
    virtual void Begin() = 0;
    virtual void Commit() = 0;
};

} // namespace dyskel
