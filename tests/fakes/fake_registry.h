// An in-memory registry laid out as 64-bit Windows stores it: 32-bit
// programs see HKLM\SOFTWARE through SOFTWARE\WOW6432Node.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace norvale::fakes {

class FakeRegistry : public platform::Registry {
 public:
  // `sixty_four_bit`: whether the machine is 64-bit Windows (views apply).
  explicit FakeRegistry(bool sixty_four_bit = true) : sixty_four_bit_(sixty_four_bit) {}

  // Loads regedit's export format ("Windows Registry Editor Version 5.00" or
  // "REGEDIT4"), UTF-8 or UTF-16LE with its byte order mark. Full key names
  // such as HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\X, as regedit writes them.
  void Import(std::string_view reg_text);
  void ImportFile(const std::string& path);

  // `path` is the physical path (with WOW6432Node where meant).
  void AddKey(platform::RegRoot root, std::string_view path);
  void SetValue(platform::RegRoot root, std::string_view path, std::string_view name,
                platform::RegValue value);
  void SetString(platform::RegRoot root, std::string_view path, std::string_view name,
                 std::string_view utf8);
  void SetDword(platform::RegRoot root, std::string_view path, std::string_view name,
                std::uint32_t value);
  void DeleteKey(platform::RegRoot root, std::string_view path);

  std::optional<std::vector<std::string>> EnumSubkeys(platform::RegRoot root, std::string_view path,
                                                      platform::RegView view) override;
  std::optional<platform::RegValue> QueryValue(platform::RegRoot root, std::string_view path,
                                               std::string_view name,
                                               platform::RegView view) override;

  int query_count() const { return query_count_; }

 private:
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  struct Key {
    std::string name;
    std::map<std::string, std::unique_ptr<Key>, NoCase> subkeys;
    std::map<std::string, platform::RegValue, NoCase> values;
  };

  Key* Find(platform::RegRoot root, std::string_view physical_path);
  Key& Create(platform::RegRoot root, std::string_view physical_path);
  std::string Physical(platform::RegRoot root, std::string_view path, platform::RegView view) const;

  bool sixty_four_bit_;
  std::map<platform::RegRoot, Key> roots_;
  int query_count_ = 0;
};

// `count` present devices of class System spread over ten buses,
// `per_device` instances to a device, each with its driver's provider and
// date: the shape of a large machine's device tree.
void AddDeviceTree(FakeRegistry& registry, int count, int per_device);

// Value helpers for tests.
platform::RegValue RegString(std::string_view utf8, std::uint32_t type = platform::kRegSz);
platform::RegValue RegDword(std::uint32_t value);

}  // namespace norvale::fakes
