// The one result kind of the engine: a value, or the reason there is none.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace dyskel {

// Why an operation failed, as one or more lines of English.
struct Failure {
    std::string message;
};

template <class T>
class [[nodiscard]] Result {
  public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure failure) : error_(std::move(failure.message)) {}

    bool Ok() const { return value_.has_value(); }
    explicit operator bool() const { return Ok(); }
    const T& operator*() const& { return *value_; }
    T& operator*() & { return *value_; }
    T&& operator*() && { return std::move(*value_); }
    const T* operator->() const { return &*value_; }
    T* operator->() { return &*value_; }
    // The message of a failure; empty for a value.
    const std::string& Error() const { return error_; }

  private:
    std::optional<T> value_;
    std::string error_;
};

// A result without a value: success, or the reason of the failure.
template <>
class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    Result(Failure failure) : error_(std::move(failure.message)), ok_(false) {}
    bool Ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& Error() const { return error_; }

  private:
    std::string error_;
    bool ok_ = true;
};

} // namespace dyskel
