#include "collectors/common/wmi_access.h"

#include <cmath>
#include <type_traits>

#include "core/failure.h"
#include "core/number_format.h"
#include "core/recording.h"
#include "core/utf.h"

namespace norvale {
namespace {

std::string NumberText(Context& ctx, double number) {
  return FormatShortest(number, ctx.os.locale.DecimalSeparator());
}

// Scalar values as text; nullopt for null and for arrays.
std::optional<std::string> ScalarText(Context& ctx, const WmiValue& value) {
  return std::visit(
      [&](const auto& v) -> std::optional<std::string> {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "True" : "False";
        } else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          return NumberText(ctx, v);
        } else {
          return std::nullopt;
        }
      },
      value);
}

bool IsArray(const WmiValue& value) {
  return std::holds_alternative<std::vector<std::string>>(value) ||
         std::holds_alternative<std::vector<std::int64_t>>(value) ||
         std::holds_alternative<std::vector<double>>(value);
}

}  // namespace

std::unique_ptr<platform::WmiServices> ConnectWmi(Context& ctx, std::string_view namespace_path) {
  return ctx.os.wmi.Connect(namespace_path);
}

bool IsNull(const WmiValue& value) { return std::holds_alternative<std::monostate>(value); }

void RecordPropertyPairs(Context& ctx, const char* group, const char* module, const char* item,
                         std::string_view wql, const char* sub_item_property,
                         const char* contents_property) {
  Guarded(ctx, group, module, [&] {
    const auto services = ConnectWmi(ctx, "\\root\\cimv2");
    ForEachWmiObject(*services, wql, std::nullopt, [&](platform::WmiObject& object) {
      const Value sub_item = WmiRowValue(object.Get(sub_item_property));
      const Value contents = WmiRowValue(object.Get(contents_property));
      RecordRow(ctx, std::string(group), std::string(item), sub_item, contents, std::string());
    });
  });
}

Value WmiRowValue(const WmiValue& value) {
  return std::visit(
      [](const auto& v) -> Value {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, std::string> ||
                      std::is_same_v<T, std::int64_t> || std::is_same_v<T, double>) {
          return Value{v};
        } else if constexpr (std::is_same_v<T, std::uint64_t>) {
          return Value{static_cast<double>(v)};
        } else if constexpr (std::is_same_v<T, bool>) {
          return Value{std::string(v ? "True" : "False")};
        } else {
          throw Failure::TypeMismatch();
        }
      },
      value);
}

std::optional<std::string> WmiText(Context& ctx, const WmiValue& value) {
  if (IsArray(value)) throw Failure::TypeMismatch();
  return ScalarText(ctx, value);
}

Value WmiTrimmed(Context& ctx, const WmiValue& value) {
  const auto text = WmiText(ctx, value);
  if (!text) return Value{};
  return Value{TrimSpaces(*text)};
}

std::optional<double> WmiNumber(const WmiValue& value) {
  if (const auto* n = std::get_if<std::int64_t>(&value)) return static_cast<double>(*n);
  if (const auto* u = std::get_if<std::uint64_t>(&value)) return static_cast<double>(*u);
  if (const auto* d = std::get_if<double>(&value)) return *d;
  if (const auto* s = std::get_if<std::string>(&value)) return ParseNumber(*s);
  return std::nullopt;
}

std::vector<std::string> WmiTextArray(Context& ctx, const WmiValue& value) {
  if (const auto* texts = std::get_if<std::vector<std::string>>(&value)) return *texts;
  std::vector<std::string> out;
  if (const auto* wholes = std::get_if<std::vector<std::int64_t>>(&value)) {
    for (std::int64_t n : *wholes) out.push_back(std::to_string(n));
    return out;
  }
  if (const auto* numbers = std::get_if<std::vector<double>>(&value)) {
    for (double d : *numbers) out.push_back(NumberText(ctx, d));
    return out;
  }
  throw Failure::TypeMismatch();
}

std::vector<std::int64_t> WmiWholeArray(const WmiValue& value) {
  if (const auto* wholes = std::get_if<std::vector<std::int64_t>>(&value)) return *wholes;
  if (const auto* numbers = std::get_if<std::vector<double>>(&value)) {
    std::vector<std::int64_t> out;
    for (double d : *numbers) {
      if (!std::isfinite(d) || std::fabs(d) > 9.2e18) throw Failure::Overflow();
      out.push_back(static_cast<std::int64_t>(std::llround(d)));
    }
    return out;
  }
  throw Failure::TypeMismatch();
}

}  // namespace norvale
