// A fact's values before they become text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>

namespace norvale {

struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
  bool operator==(const Date&) const = default;
};

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const TimeOfDay&) const = default;
};

struct LocalDateTime {
  Date date;
  TimeOfDay time;
};

// Null, text (UTF-8), whole number, floating number, date or time of day.
using Value = std::variant<std::monostate, std::string, std::int64_t, double, Date, TimeOfDay>;

inline Value Text(std::string s) { return Value{std::move(s)}; }
inline Value Whole(std::int64_t n) { return Value{n}; }

// Key, Group, Item, SubItem, Contents, Unit, Renewalday.
inline constexpr int kColumnCount = 7;
using InventoryRow = std::array<Value, kColumnCount>;

}  // namespace norvale
