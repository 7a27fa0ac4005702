// Windows Management Instrumentation as the collectors see it: connect to a
// namespace, run a WQL query, visit the objects in order, read properties.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace norvale::platform {

// A property value. Whole numbers of every width arrive as int64 (unsigned
// ones by their unsigned value), except unsigned 64-bit numbers beyond the
// signed range; WMI itself hands 64-bit properties over as text.
using WmiValue =
    std::variant<std::monostate,  // null
                 std::string, std::int64_t, std::uint64_t, double, bool, std::vector<std::string>,
                 std::vector<std::int64_t>, std::vector<double>>;

// Query flags of IWbemServices::ExecQuery.
inline constexpr std::int32_t kWmiReturnImmediately = 16;
inline constexpr std::int32_t kWmiForwardOnly = 32;

// One result object. Reading a property the object does not have throws
// Failure ("not found"); a property that is there but empty reads as null.
class WmiObject {
 public:
  virtual ~WmiObject() = default;
  virtual WmiValue Get(std::string_view property) = 0;
};

// The objects of one query, in the order WMI yields them.
class WmiObjects {
 public:
  virtual ~WmiObjects() = default;
  // The next object, or nullptr after the last one. Throws Failure when the
  // query fails while its results are fetched.
  virtual std::unique_ptr<WmiObject> Next() = 0;
};

// A connection to one namespace.
class WmiServices {
 public:
  virtual ~WmiServices() = default;
  // Runs a WQL query. Without `flags` the scripting default applies (return
  // immediately). Throws Failure when the query is refused.
  virtual std::unique_ptr<WmiObjects> ExecQuery(std::string_view wql,
                                                std::optional<std::int32_t> flags) = 0;
};

class Wmi {
 public:
  virtual ~Wmi() = default;
  // Connects to a namespace of the local computer, given as a path such as
  // "\root\cimv2". Throws Failure when it cannot be reached.
  virtual std::unique_ptr<WmiServices> Connect(std::string_view namespace_path) = 0;
};

}  // namespace norvale::platform
