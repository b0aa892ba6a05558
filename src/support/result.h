// A value, or the text of the error that kept it from being made: what a
// function that can fail for a reason worth telling the user returns.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace trawl {

struct error_text {
  std::string text;
};

inline error_text failure(std::string text) {
  return error_text{std::move(text)};
}

template <typename T>
class result {
 public:
  result(T value) : v_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit by design
  result(error_text error) : v_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  bool has_value() const { return v_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const std::string& error() const { return std::get<1>(v_).text; }

 private:
  std::variant<T, error_text> v_;
};

}  // namespace trawl
