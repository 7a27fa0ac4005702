#include "fleet/load/computer_name.h"

#include <gtest/gtest.h>

#include "fleet/common/timestamps.h"

namespace norvale::fleet {
namespace {

TEST(ComputerName, FileNameAgainstTheRowsAsWindowsComparesNames) {
  struct Case {
    const char* path;
    const char* computer;
    bool same;
  } cases[] = {
      {"/share/PC-01.tsv", "PC-01", true},
      {"/share/pc-01.CSV", "PC-01", true},
      {"sub/dir/Pc-01.tsv", "pC-01", true},
      {"/share/café-ÿ.tsv", "CAFÉ-Ÿ", true},
      {"/share/łódź.tsv", "ŁÓDŹ", true},
      {"/share/σπίτι.tsv", "ΣΠΊΤΙ", true},
      {"/share/бухгалтерия.tsv", "БУХГАЛТЕРИЯ", true},
      {"/share/ｐｃ.tsv", "ＰＣ", true},
      {"/share/経理部.tsv", "経理部", true},
      {"/share/ATTACKER.tsv", "VICTIM", false},
      {"/share/PC-01.tsv", "PC-010", false},
      {"/share/PC-01.tsv", "PC-01 ", false},
      {"/share/PC-01.backup.tsv", "PC-01", false},
      {"/share/VICTIM/PC-01.tsv", "VICTIM", false},
      {"/share/ss.tsv", "ß", false},
      // Bytes that are not UTF-8 match only the same bytes.
      {"/share/\xFF.tsv", "\xFE", false},
      {"/share/\xFF.tsv", "\xFF", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameComputerName(ComputerOfFileName(c.path), c.computer), c.same)
        << c.path << " vs " << c.computer;
  }
}

TEST(ComputerName, ClockAheadIsMoreThanADayAfterTheLaterOfLoadAndFileTime) {
  struct Case {
    const char* run_at;
    const char* loaded_at;
    const char* mtime;
    bool ahead;
  } cases[] = {
      {"2099-12-31 00:00:00", "2026-12-08 10:00:00", "2026-12-08 09:00:00", true},
      {"2026-12-09 10:00:00", "2026-12-08 10:00:00", "", false},  // exactly a day: time zones
      {"2026-12-09 10:00:01", "2026-12-08 10:00:00", "", true},
      {"2026-12-09 10:00:01", "2026-12-08 10:00:00", "2026-12-09 00:00:00", false},
      {"2026-12-20 00:00:00", "2026-12-08 10:00:00", "2026-12-25 00:00:00", false},
      {"2026-12-01 09:00:00", "2026-12-08 10:00:00", "", false},
      {"", "2026-12-08 10:00:00", "", false},  // a date format not recognised
      {"2099-12-31 00:00:00", "", "", false},  // nothing to compare with
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsAheadOfClock(c.run_at, c.loaded_at, c.mtime), c.ahead)
        << c.run_at << " loaded " << c.loaded_at << " file " << c.mtime;
  }
}

}  // namespace
}  // namespace norvale::fleet
