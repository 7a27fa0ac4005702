// The one error type every platform call and every collector throws.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace norvale {

class Failure : public std::runtime_error {
 public:
  Failure(std::int64_t number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}

  std::int64_t number() const { return number_; }
  const std::string& description() const { return description_; }

  // Faults of our own keep the numbers and wording administrators already
  // know from the result files of earlier versions.
  static Failure InvalidCall() { return {5, "Invalid procedure call or argument"}; }
  static Failure Overflow() { return {6, "Overflow"}; }
  static Failure SubscriptOutOfRange() { return {9, "Subscript out of range"}; }
  static Failure TypeMismatch() { return {13, "Type mismatch"}; }
  static Failure FileNotFound() { return {53, "File not found"}; }
  static Failure PathNotFound() { return {76, "Path not found"}; }

 private:
  std::int64_t number_;
  std::string description_;
};

}  // namespace norvale
