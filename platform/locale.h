// Regional settings and the system's ANSI code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/value.h"

namespace norvale::platform {

class Locale {
 public:
  virtual ~Locale() = default;
  // The English country name of the system default locale; nullopt when it
  // cannot be read.
  virtual std::optional<std::string> SystemCountryName() = 0;
  virtual std::string ShortDate(const Date& date) = 0;
  virtual std::string TimeText(const TimeOfDay& time) = 0;
  virtual std::string DecimalSeparator() = 0;
  // UTF-8 to the ANSI code page and back; characters the code page lacks
  // become its default character.
  virtual std::string ToAnsi(std::string_view utf8) = 0;
  virtual std::string FromAnsi(std::string_view ansi) = 0;
};

}  // namespace norvale::platform
