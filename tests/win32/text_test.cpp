// Text conversions of the Windows layer against the real code page tables.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/system.h"

namespace norvale::win32 {
namespace {

// What the code page itself stands in with for a character it lacks.
char DefaultChar() {
  CPINFO info{};
  if (!GetCPInfo(CP_ACP, &info)) return '?';
  return static_cast<char>(info.DefaultChar[0]);
}

TEST(Win32Locale, LookAlikesBecomeTheDefaultCharacterNotDelimiters) {
  Win32Locale locale;
  if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252, this system has " << GetACP();
  const std::string d(1, DefaultChar());
  struct Case {
    const char* name;
    std::string utf8;
    std::string want;
  } cases[] = {
      {"full-width comma and quote", "left\xEF\xBC\x8Cright \xEF\xBC\x82q",
       "left" + d + "right " + d + "q"},
      {"full-width semicolon",
       "a\xEF\xBC\x9B"
       "b",
       "a" + d + "b"},
      {"double prime", "6\xE2\x80\xB3", "6" + d},
      {"plain text stays", "C:\\Program Files\\App", "C:\\Program Files\\App"},
  };
  for (const Case& c : cases) EXPECT_EQ(locale.ToAnsi(c.utf8), c.want) << c.name;
}

TEST(Win32Locale, CharactersTheCodePageHasSurvive) {
  Win32Locale locale;
  if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252, this system has " << GetACP();
  EXPECT_EQ(locale.ToAnsi("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
  EXPECT_EQ(locale.FromAnsi("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
}

}  // namespace
}  // namespace norvale::win32
