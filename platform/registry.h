// The Windows registry as the collectors see it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvale::platform {

enum class RegRoot {
  kClassesRoot,
  kCurrentUser,
  kLocalMachine,
  kUsers,
  kPerformanceData,
  kCurrentConfig,
  kDynData,
};

// Which registry view a key is opened in. kDefault is what a 32-bit process
// gets without asking (the 32-bit view on 64-bit Windows).
enum class RegView { kDefault, k32, k64 };

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// A value as the wide registry calls return it: text types as UTF-16LE bytes
// (with their terminating NUL where the writer stored one), others raw.
struct RegValue {
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Subkey names in enumeration order, or nullopt when the key cannot be
  // opened. Throws Failure when the listing fails part way.
  virtual std::optional<std::vector<std::string>> EnumSubkeys(RegRoot root, std::string_view path,
                                                              RegView view) = 0;
  // The value, or nullopt when the key or the value is missing or unreadable.
  // An empty name is the key's default value.
  virtual std::optional<RegValue> QueryValue(RegRoot root, std::string_view path,
                                             std::string_view name, RegView view) = 0;
  // Several values of one key, each as QueryValue gives it. Implementations
  // may open the key once for all of them.
  virtual std::vector<std::optional<RegValue>> QueryValues(RegRoot root, std::string_view path,
                                                           const std::vector<std::string>& names,
                                                           RegView view) {
    std::vector<std::optional<RegValue>> values;
    for (const std::string& name : names) values.push_back(QueryValue(root, path, name, view));
    return values;
  }
};

}  // namespace norvale::platform
