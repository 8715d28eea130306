// A value or the reason it could not be had, as a sentence for the user: what a parser or an
// open returns instead of throwing. Ok() tells which; Value() may only be called when Ok(),
// Reason() is empty when Ok(). The Result owns its value (moved in) and its reason; a caller
// takes the value out by moving from Value(). Like any value type, one object is not for
// concurrent writers.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace common {

template <typename T>
class Result {
 public:
  Result(T held) : value(std::move(held)) {}
  static Result Refuse(std::string why) {
    Result result;
    result.reason = std::move(why);
    return result;
  }

  bool Ok() const { return value.has_value(); }
  T& Value() { return *value; }
  const T& Value() const { return *value; }
  // Empty when Ok().
  const std::string& Reason() const { return reason; }

 private:
  Result() = default;
  std::optional<T> value;
  std::string reason;
};

}  // namespace common
