#include "collectors/network/lan.h"

#include <gtest/gtest.h>

#include "tests/unit/world.h"

namespace norvale {
namespace {

using testing::Rows;
using testing::World;

constexpr const char* kServerKey =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\lanmanserver\\parameters]\n";

TEST(GetLan, DomainOrWorkgroupThenIdentityRows) {
  struct Case {
    const char* name;
    std::u16string lsa_name;
    bool member;
    const char* domain;
    const char* workgroup;
  } cases[] = {
      {"workgroup", u"WORKGROUP", false, "", "WORKGROUP"},
      {"domain member", u"CORP", true, "CORP", ""},
      {"non-ASCII name", u"\u7DCF\u52D9", false, "", "総務"},
  };
  for (const auto& c : cases) {
    World w;
    w.m.security.domain = {c.lsa_name, c.member};
    w.m.security.user_name = "taro";
    w.m.registry.Import(std::string("REGEDIT4\n\n") + kServerKey +
                        "\"srvcomment\"=\"  Front desk\tPC  \"\n");
    GetLan(w.ctx, {"pc01.example.lan", "192.168.001.001", "-"});
    EXPECT_EQ(w.Cells("LAN"), (Rows{
                                  {"LAN", "Domain", c.domain, ""},
                                  {"LAN", "WorkGroup", c.workgroup, ""},
                                  {"LAN", "UserName", "taro", ""},
                                  {"LAN", "ComputerName", "PC01", ""},
                                  {"LAN", "HostName", "pc01.example.lan", ""},
                                  {"LAN", "PrimaryDNS", "192.168.001.001", ""},
                                  {"LAN", "SecondaryDNS", "-", ""},
                                  {"LAN", "SVRComment", "Front desk\tPC", ""},
                              }))
        << c.name;
    EXPECT_EQ(w.m.ui.rows[0][1], "LAN");
    EXPECT_EQ(w.m.security.policies_closed, 1) << c.name;
  }
}

TEST(GetLan, JapaneseLabelsAndMissingComment) {
  World w;
  w.ctx.main.country = "JAPAN";
  GetLan(w.ctx, {});
  std::vector<std::string> labels;
  for (const auto& row : w.m.ui.rows) labels.push_back(row[3]);
  EXPECT_EQ(labels, (std::vector<std::string>{"ドメイン", "ワークグループ", "ユーザー名",
                                              "コンピュータ名", "ホスト名", "PrimaryDNS",
                                              "SecondaryDNS", "コンピュータの説明"}));
  EXPECT_EQ(w.m.ui.rows.back()[4], "");
}

TEST(GetLan, PolicyThatCannotBeOpenedIsReportedWithoutRows) {
  struct Case {
    const char* name;
    bool japanese;
    std::uint32_t status;
    const char* want;
  } cases[] = {
      {"access denied", false, 0xC0000022u,
       "The local security policy could not be opened, so the domain and workgroup cannot be "
       "read.\nStatus 0xC0000022: Access is denied."},
      {"no system text", false, 0xC00000BBu,
       "The local security policy could not be opened, so the domain and workgroup cannot be "
       "read.\nStatus 0xC00000BB"},
      {"japanese", true, 0xC0000022u,
       "ローカル セキュリティ ポリシーを開けないため、ドメインとワークグループを読めません。\n"
       "状態 0xC0000022: Access is denied."},
  };
  for (const auto& c : cases) {
    World w;
    if (c.japanese) w.ctx.main.country = "JAPAN";
    w.m.security.open_status = c.status;
    GetLan(w.ctx, {});
    EXPECT_TRUE(w.m.ui.rows.empty()) << c.name;
    ASSERT_EQ(w.m.ui.messages.size(), 1u) << c.name;
    EXPECT_EQ(w.m.ui.messages[0].text, c.want) << c.name;
    EXPECT_EQ(w.m.ui.messages[0].icon, platform::MessageIcon::kNone);
    EXPECT_EQ(w.m.security.queries, 0);
  }
}

TEST(GetLan, FailedQueryLeavesOutDomainRowsButClosesThePolicy) {
  World w;
  w.m.security.query_status = 0xC0000022u;
  GetLan(w.ctx, {});
  ASSERT_EQ(w.m.ui.rows.size(), 6u);
  EXPECT_EQ(w.Cells("LAN")[0][1], "UserName");
  EXPECT_EQ(w.m.security.policies_opened, 1);
  EXPECT_EQ(w.m.security.policies_closed, 1);
}

TEST(GetLan, UnknownUserEndsWithErrorRowAfterDomainRows) {
  World w;
  w.m.security.user_name.reset();
  GetLan(w.ctx, {});
  EXPECT_EQ(w.Cells("LAN"), (Rows{
                                {"LAN", "Domain", "", ""},
                                {"LAN", "WorkGroup", "WORKGROUP", ""},
                                {"error", "mLan", "5", "Invalid procedure call or argument"},
                            }));
  EXPECT_EQ(w.m.ui.rows[2][1], "LAN");
  EXPECT_EQ(w.m.security.policies_closed, 1);
}

TEST(LsaNameText, TakesTheUnitsAsTheyAre) {
  EXPECT_EQ(LsaNameText(u""), "");
  EXPECT_EQ(LsaNameText(u"DOMAIN"), "DOMAIN");
  // A surrogate pair survives; a lone surrogate becomes the replacement character.
  EXPECT_EQ(LsaNameText(u"A\U0001F600"), "A\xF0\x9F\x98\x80");
  EXPECT_EQ(LsaNameText(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace norvale
