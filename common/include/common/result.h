#pragma once
// Result<T>: a value or an error text. Library code reports failures this way;
// only programs print, exit or show messages.
#include <string>
#include <utility>
#include <variant>

namespace pmsi {

struct Error {
  std::string message;
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T v) : v_(std::move(v)) {}
  Result(Error e) : v_(std::move(e)) {}

  explicit operator bool() const { return v_.index() == 0; }
  bool ok() const { return v_.index() == 0; }
  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const std::string& error() const { return std::get<1>(v_).message; }

 private:
  std::variant<T, Error> v_;
};

// Outcome of an operation that produces nothing.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error e) : error_(std::move(e.message)), failed_(true) {}
  static Status success() { return {}; }
  explicit operator bool() const { return !failed_; }
  bool ok() const { return !failed_; }
  const std::string& error() const { return error_; }

 private:
  std::string error_;
  bool failed_ = false;
};

}  // namespace pmsi
