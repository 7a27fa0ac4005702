#include "core/settings.h"

#include <gtest/gtest.h>

#include "core/profile.h"
#include "core/utf.h"
#include "tests/fakes/fake_machine.h"

namespace norvale {
namespace {

TEST(ProfileText, ReadsAsWindowsDoes) {
  const ProfileText profile(
      "; comment line\r\n"
      "AUTOSAVE=9\r\n"  // before any section: not in "setting"
      "[Other]\r\nsavetype=XYZ\r\n"
      "  [SETTING]  \r\n"
      "  autosave =  1  \r\n"
      "SaveType=\"CSV\"\r\n"
      "SAVETIME='5'\r\n"
      "SAVEFOLDER=\"C:\\a\r\n"
      ";SAVETYPE=TSV\r\n"
      "AUTOSAVE=2\r\n"
      "KEYONLY\r\n"
      "EMPTY=\r\n"
      "[setting]\r\nEXTRA=ignored\r\n");
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> want;
  } cases[] = {
      {"setting", "AUTOSAVE", "1"},          // blanks around names and values; first duplicate wins
      {"Setting", "savetype", "CSV"},        // enclosing quotes removed, any case
      {"setting", "SAVETIME", "5"},          // single quotes too
      {"setting", "SAVEFOLDER", "\"C:\\a"},  // unmatched quote kept
      {"setting", "KEYONLY", std::nullopt}, {"setting", "EMPTY", ""},
      {"setting", "EXTRA", std::nullopt},  // second section of the same name is not read
      {"other", "SAVETYPE", "XYZ"},         {"missing", "AUTOSAVE", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(profile.Get(c.section, c.key), c.want) << c.key;
}

TEST(ProfileText, WriteKeepsEveryOtherLine) {
  ProfileText profile(
      "; keep "
      "me\r\n[REGISTRY]\r\n01=a;b\r\n\r\n[Setting]\r\nsavetype=TSV\r\nX=1\r\n\r\n[FILEINFO]\r\n01="
      "c\r\n");
  profile.Set("SETTING", "SAVETYPE", "CSV");
  profile.Set("SETTING", "AUTOSAVE", "1");
  EXPECT_EQ(profile.Text(),
            "; keep me\r\n[REGISTRY]\r\n01=a;b\r\n\r\n[Setting]\r\nsavetype=CSV\r\nX=1\r\n"
            "AUTOSAVE=1\r\n\r\n[FILEINFO]\r\n01=c\r\n");
}

TEST(ProfileText, WriteAddsMissingSectionAtTheEnd) {
  ProfileText empty("");
  empty.Set("SETTING", "SAVETIME", "30");
  EXPECT_EQ(empty.Text(), "[SETTING]\r\nSAVETIME=30\r\n");

  ProfileText other("[REGISTRY]\r\n01=x");
  other.Set("SETTING", "SAVETIME", "30");
  EXPECT_EQ(other.Text(), "[REGISTRY]\r\n01=x\r\n\r\n[SETTING]\r\nSAVETIME=30\r\n");
}

TEST(SettingsFile, ReadsDefaultsCutsLongValuesAndRoundTripsUnicodeFiles) {
  fakes::FakeMachine m;
  const std::string path = m.SettingsFile();
  EXPECT_EQ(ReadProfileString(m.platform, "setting", "SAVETYPE", "TSV", 1024, path), "TSV");

  m.WriteSettings("[setting]\r\nSAVEFOLDER=" + std::string(1100, 'x') + "\r\n");
  EXPECT_EQ(ReadProfileString(m.platform, "setting", "SAVEFOLDER", "", 1024, path).size(), 1023u);

  // A file Windows wrote in UTF-16 stays UTF-16 when a key is written.
  m.WriteSettings(std::string_view("\xFF\xFE[\0s\0]\0\r\0\n\0a\0=\0b\0\r\0\n\0", 22));
  EXPECT_EQ(ReadProfileString(m.platform, "S", "A", "", 1024, path), "b");
  EXPECT_TRUE(SetINIValue(m.platform, "SETTING", "SAVETYPE", "TSV", path));
  const std::string bytes = *m.files.Get(path);
  EXPECT_TRUE(bytes.starts_with("\xFF\xFE[\0s\0]\0"));
  EXPECT_EQ(ReadProfileString(m.platform, "setting", "SAVETYPE", "", 1024, path), "TSV");
  EXPECT_EQ(ReadProfileString(m.platform, "s", "a", "", 1024, path), "b");
}

TEST(SettingsFile, FailedWriteReportsFalse) {
  fakes::FakeMachine m;
  m.files.read_only.insert("C:\\TOOLS\\NORVALE\\NORVALE.INI");
  EXPECT_FALSE(SetINIValue(m.platform, "SETTING", "AUTOSAVE", "1", m.SettingsFile()));
  EXPECT_FALSE(SetINIValue(m.platform, "SETTING", "AUTOSAVE", "1", "Q:\\nowhere\\Norvale.ini"));
}

}  // namespace
}  // namespace norvale

namespace norvale {
namespace {

TEST(Settings, ParsedOnceIntoTypedFields) {
  struct Case {
    const char* ini;
    AutoSave auto_save;
    SaveType save_type;
    const char* delay_text;
    std::optional<double> seconds;
    const char* folder;
  } cases[] = {
      {"", AutoSave::kOff, SaveType::kTab, "0", 0.0, ""},
      {"[Setting]\r\nAutoSave=1\r\nSaveType=CSV\r\nSaveTime=30\r\nSaveFolder=D:\\out\r\n",
       AutoSave::kOn, SaveType::kComma, "30", 30.0, "D:\\out"},
      // Blanks and quotes go; " 1.0" still reads as the number one.
      {"[SETTING]\r\nAUTOSAVE = \"1.0\"\r\nSAVETYPE=TSV\r\nSAVETIME= 2.5 \r\n", AutoSave::kOn,
       SaveType::kTab, "2.5", 2.5, ""},
      // No number at all reads as 0.
      {"[setting]\r\nAUTOSAVE=yes\r\nSAVETYPE=tsv\r\nSAVETIME=soon\r\n", AutoSave::kOff,
       SaveType::kComma, "soon", std::nullopt, ""},
      // Another number: the window opens, but the save behaves as unattended.
      {"[setting]\r\nAUTOSAVE=2\r\nAUTOSAVE=1\r\nSAVETIME=\r\n", AutoSave::kNeither, SaveType::kTab,
       "", std::nullopt, ""},
      {"[setting]\r\nAUTOSAVE=\r\n", AutoSave::kOff, SaveType::kTab, "0", 0.0, ""},
  };
  for (const auto& c : cases) {
    fakes::FakeMachine m;
    if (*c.ini != '\0') m.WriteSettings(c.ini);
    const Settings s = ReadSettings(m.platform);
    EXPECT_EQ(s.auto_save, c.auto_save) << c.ini;
    EXPECT_EQ(s.save_type, c.save_type) << c.ini;
    EXPECT_EQ(s.delay.text, c.delay_text) << c.ini;
    EXPECT_EQ(s.delay.seconds, c.seconds) << c.ini;
    EXPECT_EQ(s.folder, c.folder) << c.ini;
  }
}

TEST(Settings, WrittenBackThroughTheSameTypes) {
  fakes::FakeMachine m;
  m.WriteSettings("[setting]\r\nAUTOSAVE=yes\r\n; kept\r\n");
  EXPECT_TRUE(WriteAutoSave(m.platform, true));
  EXPECT_TRUE(WriteSaveType(m.platform, SaveType::kComma));
  EXPECT_TRUE(WriteSaveDelay(m.platform, " 12 "));
  EXPECT_TRUE(WriteSaveFolder(m.platform, "\\\\server\\share"));
  const Settings s = ReadSettings(m.platform);
  EXPECT_EQ(s.auto_save, AutoSave::kOn);
  EXPECT_EQ(s.save_type, SaveType::kComma);
  EXPECT_EQ(s.delay.seconds, 12.0);
  EXPECT_EQ(s.folder, "\\\\server\\share");
  EXPECT_EQ(*m.files.Get(m.SettingsFile()),
            "[setting]\r\nAUTOSAVE=1\r\n; kept\r\nSAVETYPE=CSV\r\nSAVETIME= 12 \r\n"
            "SAVEFOLDER=\\\\server\\share\r\n");
  // A file that refuses writes is reported, not taken as written.
  m.files.read_only.insert(UpperAscii(m.SettingsFile()));
  EXPECT_FALSE(WriteSaveType(m.platform, SaveType::kTab));
  EXPECT_EQ(ReadSettings(m.platform).save_type, SaveType::kComma);
}

}  // namespace
}  // namespace norvale
