#include "collectors/common/registry_access.h"

#include <gtest/gtest.h>

#include "core/recording.h"
#include "core/result_file_sink.h"
#include "tests/unit/world.h"

namespace norvale {
namespace {

using testing::World;

constexpr const char* kTest = "SOFTWARE\\NorvaleTest";

TEST(ReadRegValue, TextAndNumbersFromTheDefaultView) {
  World w;
  w.ImportSoftware();
  w.m.system.environment = {"SystemRoot=C:\\Windows"};
  const Value fallback = Text("dflt");
  struct Case {
    const char* path;
    const char* name;
    RegValueKind kind;
    Value want;
  } cases[] = {
      // A 32-bit process sees WOW6432Node: the 32-bit tag, not the 64-bit one.
      {kTest, "AssetTag", RegValueKind::kText, Text("A-1234")},
      {kTest, "Empty", RegValueKind::kText, Text("")},
      {kTest, "Nothing", RegValueKind::kText, fallback},
      {"SOFTWARE\\NoSuchKey", "AssetTag", RegValueKind::kText, fallback},
      {kTest, "Text256", RegValueKind::kText, fallback},  // 256 characters and the NUL overflow 256
      {kTest, "AllOnes", RegValueKind::kNumber, Whole(-1)},
      {kTest, "One", RegValueKind::kNumber, Whole(1)},
      {kTest, "Hundred", RegValueKind::kNumber, Whole(256)},
      {kTest, "Qword", RegValueKind::kNumber, fallback},  // 8 bytes do not fit 4
      {kTest, "Nothing", RegValueKind::kNumber, fallback},
      {kTest, "AssetTag", static_cast<RegValueKind>(3), fallback},  // no kind of ours
      // The type Windows reports is ignored: bytes read as text up to the first NUL.
      {kTest, "Binary", RegValueKind::kText, Text("ABC")},
      {kTest, "Multi", RegValueKind::kText, Text("one")},
      // REG_EXPAND_SZ is the exception: the shell's reader expands it.
      {kTest, "Expand", RegValueKind::kText, Text("C:\\Windows\\x")},
      {kTest, "One", RegValueKind::kText, Text("\x01")},
      {kTest, "Zero", RegValueKind::kText, Text("")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadRegValue(w.ctx, RegRoot::kLocalMachine, c.path, c.name, c.kind, fallback), c.want)
        << c.name << " kind " << static_cast<int>(c.kind);
  }
  const Value text255 =
      ReadRegValue(w.ctx, RegRoot::kLocalMachine, kTest, "Text255", RegValueKind::kText, fallback);
  ASSERT_TRUE(std::holds_alternative<std::string>(text255));
  EXPECT_EQ(std::get<std::string>(text255).size(), 255u);
  EXPECT_EQ(ReadRegValue(w.ctx, RegRoot::kCurrentUser, "Software\\NorvaleTest", "Owner",
                         RegValueKind::kText, fallback),
            Text("Alice"));
  EXPECT_EQ(ReadRegValue(w.ctx, RegRoot::kLocalMachine, kTest, "Nothing", RegValueKind::kNumber,
                         Whole(7)),
            Whole(7));
}

TEST(ReadRegString, ViewsBufferAndBytesTakenAsText) {
  World w;
  w.ImportSoftware();
  struct Case {
    bool sixty_four;
    const char* name;
    bool want_result;
    std::string want_text;  // "untouched" when the read leaves the text alone
  } cases[] = {
      {false, "AssetTag", true, "A-1234"},
      {true, "AssetTag", true, "B-5678"},
      {false, "One", true, "\x01"},  // REG_DWORD 1: its first byte is not zero
      {true, "One", true, "\x01"},
      {false, "Zero", false, ""},  // read, but empty
      {true, "Zero", false, ""},
      {false, "Hundred", false, ""},  // lowest byte zero
      {false, "Empty", false, ""},
      {false, "Multi", true, "one"},
      {false, "Binary", true, "ABC"},
      {false, "Text256", true, std::string(256, '?')},  // checked by length below
      {false, "Text2048", false, "untouched"},          // 2049 bytes do not fit 2048
      {false, "Nothing", false, "untouched"},
      {true, "Text255", false, "untouched"},  // only in the 32-bit view
  };
  for (const auto& c : cases) {
    std::string text = "untouched";
    const bool got = c.sixty_four
                         ? ReadRegString64(w.ctx, RegRoot::kLocalMachine, kTest, c.name, text)
                         : ReadRegString32(w.ctx, RegRoot::kLocalMachine, kTest, c.name, text);
    EXPECT_EQ(got, c.want_result) << c.name << (c.sixty_four ? " 64" : " 32");
    if (c.want_text.starts_with("?")) {
      EXPECT_EQ(text.size(), c.want_text.size()) << c.name;
    } else {
      EXPECT_EQ(text, c.want_text) << c.name << (c.sixty_four ? " 64" : " 32");
    }
  }
  std::string text;
  EXPECT_TRUE(ReadRegString32(w.ctx, RegRoot::kLocalMachine, kTest, "Text2047", text));
  EXPECT_EQ(text.size(), 2047u);
  std::string missing_key = "untouched";
  EXPECT_FALSE(ReadRegString64(w.ctx, RegRoot::kLocalMachine, "SOFTWARE\\NoSuchKey", "AssetTag",
                               missing_key));
  EXPECT_EQ(missing_key, "untouched");
}

TEST(ReadRegStrings, SameTextsAsOneValueAtATime) {
  World w;
  w.ImportSoftware();
  const std::vector<std::string> names = {"AssetTag", "One",    "Zero",     "Hundred", "Empty",
                                          "Multi",    "Binary", "Text2048", "Nothing"};
  for (const bool sixty_four : {false, true}) {
    const auto texts = sixty_four ? ReadRegStrings64(w.ctx, RegRoot::kLocalMachine, kTest, names)
                                  : ReadRegStrings32(w.ctx, RegRoot::kLocalMachine, kTest, names);
    ASSERT_EQ(texts.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
      std::string one;
      if (sixty_four) {
        ReadRegString64(w.ctx, RegRoot::kLocalMachine, kTest, names[i], one);
      } else {
        ReadRegString32(w.ctx, RegRoot::kLocalMachine, kTest, names[i], one);
      }
      EXPECT_EQ(texts[i], one) << names[i] << (sixty_four ? " 64" : " 32");
    }
  }
  EXPECT_EQ(ReadRegStrings32(w.ctx, RegRoot::kLocalMachine, "SOFTWARE\\NoSuchKey", names),
            std::vector<std::string>(names.size()));
  EXPECT_EQ(ReadRegStrings32(w.ctx, RegRoot::kLocalMachine, kTest, {"AssetTag"}),
            std::vector<std::string>{"A-1234"});
}

TEST(EnumRegSubkeys, ListsThe64BitViewAndKeepsTheArrayWhenEmpty) {
  World w;
  w.ImportSoftware();
  std::vector<std::string> names = {"kept"};
  EXPECT_EQ(EnumRegSubkeys(w.ctx, RegRoot::kLocalMachine, "SOFTWARE\\NorvaleTest", names), 2);
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Beta"}));

  names = {"kept"};
  EXPECT_EQ(EnumRegSubkeys(w.ctx, RegRoot::kLocalMachine, "SOFTWARE\\NoSuchKey", names), 0);
  EXPECT_EQ(EnumRegSubkeys(w.ctx, RegRoot::kLocalMachine,
                           "SOFTWARE\\WOW6432Node\\NorvaleTest\\Empty", names),
            0);
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
}

TEST(ReadRegString, UnicodeTextReachesTheCodePageOnlyInTheFile) {
  World w;
  w.m.locale.ascii_code_page = true;
  w.m.registry.SetString(RegRoot::kLocalMachine, kTest, "Owner", "山田 Taro");
  std::string text;
  ASSERT_TRUE(ReadRegString64(w.ctx, RegRoot::kLocalMachine, kTest, "Owner", text));
  EXPECT_EQ(text, "山田 Taro");

  const auto file = w.m.files.OpenAppend("C:\\Temp\\t.tmp");
  ResultFileSink to_file(w.ctx, *file, &w.shown);
  w.ctx.main.rows = &to_file;
  RecordRow(w.ctx, std::string("OTHER"), std::string("REGISTRY"), std::string("Owner"), text,
            std::string());
  EXPECT_EQ(w.m.ui.rows.back()[4], "山田 Taro");
  EXPECT_NE(w.m.files.Get("C:\\Temp\\t.tmp")->find("\t?? Taro\t"), std::string::npos);
}

}  // namespace
}  // namespace norvale
