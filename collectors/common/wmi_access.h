// WMI reads shared by the printer, adapter, share and WMI collectors: each
// connects anew, runs its queries and reads properties by name.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"
#include "core/value.h"
#include "platform/wmi.h"

namespace norvale {

using platform::WmiValue;

// Connects to a namespace of the local computer ("\root\cimv2").
std::unique_ptr<platform::WmiServices> ConnectWmi(Context& ctx, std::string_view namespace_path);

// Runs a query and hands each result object to `visit`, in the order WMI
// yields them. Each object is released before the next one is fetched.
template <typename Visit>
void ForEachWmiObject(platform::WmiServices& services, std::string_view wql,
                      std::optional<std::int32_t> flags, Visit&& visit) {
  const std::unique_ptr<platform::WmiObjects> objects = services.ExecQuery(wql, flags);
  while (std::unique_ptr<platform::WmiObject> object = objects->Next()) visit(*object);
}

bool IsNull(const WmiValue& value);

// One row per object of `wql` in \root\cimv2, in query order: Item `item`,
// SubItem and Contents two of its properties, unchanged. A failure ends the
// walk with one ErrorRow `group`/`module`.
void RecordPropertyPairs(Context& ctx, const char* group, const char* module, const char* item,
                         std::string_view wql, const char* sub_item_property,
                         const char* contents_property);

// A property as a row shows it unchanged: null stays null, text stays text,
// numbers stay numbers. An array has no single value: Type mismatch.
Value WmiRowValue(const WmiValue& value);

// The property converted to text, unchanged; nullopt for null. An array is a
// Type mismatch.
std::optional<std::string> WmiText(Context& ctx, const WmiValue& value);

// The property converted to text with leading and trailing spaces removed;
// null stays null. An array is a Type mismatch.
Value WmiTrimmed(Context& ctx, const WmiValue& value);

// The value as a number when it is one or is text that reads as one
// (WMI hands 64-bit numbers over as text); nullopt otherwise.
std::optional<double> WmiNumber(const WmiValue& value);

// The elements of an array property in index order, each as text. A single
// value is not an array: Type mismatch.
std::vector<std::string> WmiTextArray(Context& ctx, const WmiValue& value);
// The elements of a numeric array property in order; Type mismatch otherwise.
std::vector<std::int64_t> WmiWholeArray(const WmiValue& value);

}  // namespace norvale
