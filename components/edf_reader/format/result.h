// A value or the reason it could not be had, as a sentence for the user.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace edf {

template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  static Result Refuse(std::string reason) {
    Result result;
    result.reason_ = std::move(reason);
    return result;
  }

  bool ok() const { return value_.has_value(); }
  T& value() { return *value_; }
  const T& value() const { return *value_; }
  // Empty when ok().
  const std::string& reason() const { return reason_; }

 private:
  Result() = default;
  std::optional<T> value_;
  std::string reason_;
};

}  // namespace edf
