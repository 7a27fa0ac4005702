#include "core/recording.h"

#include <type_traits>

#include "core/number_format.h"
#include "core/result_labels.h"

namespace norvale {

std::string ValueText(Context& ctx, const Value& value) {
  return std::visit(
      [&](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          return FormatShortest(v, ctx.os.locale.DecimalSeparator());
        } else if constexpr (std::is_same_v<T, Date>) {
          return ctx.os.locale.ShortDate(v);
        } else {
          return ctx.os.locale.TimeText(v);
        }
      },
      value);
}

void RecordValues(Context& ctx, const Value& key, const Value& group, const Value& item,
                  const Value& sub_item, const Value& contents, const Value& unit,
                  const Value& renewalday) {
  MainState& m = ctx.main;
  try {
    const Value* values[kColumnCount] = {&key,      &group, &item,      &sub_item,
                                         &contents, &unit,  &renewalday};
    std::string texts[kColumnCount];
    for (int i = 0; i < kColumnCount; ++i) texts[i] = ValueText(ctx, *values[i]);
    if (m.rows != nullptr) m.rows->Add(m.next_row, texts);
    ++m.next_row;
  } catch (const Failure& failure) {
    if (m.rows != nullptr) m.rows->Fail(failure);
  }
}

void RecordRow(Context& ctx, const Value& group, const Value& item, const Value& sub_item,
               const Value& contents, const Value& unit) {
  RecordValues(ctx, ctx.main.computer_name, group, item, sub_item, contents, unit,
               ctx.os.system.Now().date);
}

void ErrorRow(Context& ctx, std::string_view group, std::string_view module,
              const Failure& failure) {
  RecordRow(ctx, std::string(group), std::string(kItemError), std::string(module),
            Value{failure.number()}, failure.description());
}

std::string GetComputerNameText(Context& ctx) { return ctx.os.system.ComputerName(); }

}  // namespace norvale
