// The one error type every platform call and every collector throws.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace norvale {

// Every error number of our own that can reach an error row, in one place.
// Windows failures carry the Win32 error or HRESULT instead.
namespace error_number {
inline constexpr std::int64_t kInvalidCall = 5;
inline constexpr std::int64_t kOverflow = 6;
inline constexpr std::int64_t kSubscriptOutOfRange = 9;
inline constexpr std::int64_t kTypeMismatch = 13;
inline constexpr std::int64_t kInternal = 51;
inline constexpr std::int64_t kBadFileName = 52;
inline constexpr std::int64_t kFileNotFound = 53;
inline constexpr std::int64_t kDiskFull = 61;
inline constexpr std::int64_t kPermissionDenied = 70;
inline constexpr std::int64_t kPathFileAccess = 75;
inline constexpr std::int64_t kPathNotFound = 76;
}  // namespace error_number

class Failure : public std::runtime_error {
 public:
  Failure(std::int64_t number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}

  std::int64_t number() const { return number_; }
  const std::string& description() const { return description_; }

  // Faults of our own keep the numbers and wording administrators already
  // know from the result files of earlier versions.
  static Failure InvalidCall() {
    return {error_number::kInvalidCall, "Invalid procedure call or argument"};
  }
  static Failure Overflow() { return {error_number::kOverflow, "Overflow"}; }
  static Failure SubscriptOutOfRange() {
    return {error_number::kSubscriptOutOfRange, "Subscript out of range"};
  }
  static Failure TypeMismatch() { return {error_number::kTypeMismatch, "Type mismatch"}; }
  static Failure Internal(const std::string& what) {
    return {error_number::kInternal, "Internal error: " + what};
  }
  static Failure BadFileName() { return {error_number::kBadFileName, "Bad file name or number"}; }
  static Failure FileNotFound() { return {error_number::kFileNotFound, "File not found"}; }
  static Failure DiskFull() { return {error_number::kDiskFull, "Disk full"}; }
  static Failure PermissionDenied() {
    return {error_number::kPermissionDenied, "Permission denied"};
  }
  static Failure PathFileAccess() {
    return {error_number::kPathFileAccess, "Path/File access error"};
  }
  static Failure PathNotFound() { return {error_number::kPathNotFound, "Path not found"}; }

 private:
  std::int64_t number_;
  std::string description_;
};

}  // namespace norvale
