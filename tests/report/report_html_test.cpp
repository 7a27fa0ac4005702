#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "fleet/common/json_text.h"
#include "fleet/report/application_page.h"
#include "fleet/report/bar_chart.h"
#include "fleet/report/change_table.h"
#include "fleet/report/computer_page.h"
#include "fleet/report/html_table.h"
#include "fleet/report/html_text.h"
#include "fleet/report/label_width.h"
#include "fleet/report/page_names.h"
#include "fleet/report/site_page.h"
#include "tests/report/count_of.h"

namespace norvale::fleet {
namespace {

std::string Json(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

using testing::CountOf;

TEST(ReportHtml, EscapesStoredTextForContentAndAttributes) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"<script>alert('x')</script>", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"},
      {"Tom & Jerry \"Pro\"", "Tom &amp; Jerry &quot;Pro&quot;"},
      {"&amp;", "&amp;amp;"},
      {"経理部-PC01", "経理部-PC01"},
      {"a\x01"
       "b\tc",
       "a b\tc"},
      {"bad \xff byte", "bad \xEF\xBF\xBD byte"},
      {"cut \xE3\x81", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},
      {"overlong \xC0\xBC", "overlong \xEF\xBF\xBD\xEF\xBF\xBD"},
      {"surrogate \xED\xA0\x80", "surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"", ""},
      // Where a run of plain text meets what is replaced, at either end.
      {"<&>", "&lt;&amp;&gt;"},
      {"\x02start and end\x7f\r\n\x1f", " start and end\x7f\r\n "},
      {"\xE7\xB7\x8F\xff\xE5\x8B\x99'", "\xE7\xB7\x8F\xEF\xBF\xBD\xE5\x8B\x99&#39;"},
  };
  for (const auto& c : cases) EXPECT_EQ(HtmlEscape(c.in), c.out) << c.in;
}

TEST(ReportHtml, JsonStringsCannotCloseTheirScriptElement) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"</script><script>alert(1)</script>",
       R"("\u003c/script\u003e\u003cscript\u003ealert(1)\u003c/script\u003e")"},
      {"<!--", R"("\u003c!--")"},
      {"say \"hi\" \\ bye", R"("say \"hi\" \\ bye")"},
      {"line\nbreak\ttab", R"("line\u000abreak\u0009tab")"},
      {"A & B", R"("A \u0026 B")"},
      {"sep\u2028x\u2029", R"("sep\u2028x\u2029")"},
      {"ソフト 1.0", "\"ソフト 1.0\""},
      {"bad \xfe", R"("bad \ufffd")"},
      {"", "\"\""},
      // Runs of plain ASCII against every character that is escaped or
      // decoded, at the start, in the middle and at the end.
      {"<a>b&c\"d\\e\x7f\x01"
       "f\xE6\x97\xA5g\xff"
       "h\u2028",
       R"("\u003ca\u003eb\u0026c\"d\\e)"
       "\x7f"
       R"(\u0001f日g\ufffdh\u2028")"},
  };
  for (const auto& c : cases) EXPECT_EQ(Json(c.in), c.out) << c.in;
}

TEST(ReportHtml, LabelsAreShortenedByDisplayWidth) {
  struct Case {
    std::string in;
    int width;
    std::string out;
  } cases[] = {
      {"Intel(R) Core(TM) i5", 40, "Intel(R) Core(TM) i5"},
      {"abcdefghij", 10, "abcdefghij"},
      {"abcdefghijk", 10, "abcdefghi\u2026"},
      {"日本語のアプリケーション", 10, "日本語の\u2026"},  // wide characters count two
      {"日本語のア", 10, "日本語のア"},
      {"", 5, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ShortenLabel(c.in, c.width), c.out) << c.in;
}

TEST(ReportHtml, BarChartCarriesEachCountAndTranslatesItsOwnWords) {
  const auto& ja = TextsFor(ReportLanguage::kJapanese);
  const std::string svg =
      BarChartSvg({{"Windows 11 <Pro>", 12}, {kUnknownLabel, 3}, {kOtherLabel, 0}}, ja);
  EXPECT_NE(svg.find("data-label=\"Windows 11 &lt;Pro&gt;\" data-count=\"12\""), std::string::npos);
  EXPECT_NE(svg.find("data-label=\"不明\" data-count=\"3\""), std::string::npos);
  EXPECT_NE(svg.find("data-label=\"その他\" data-count=\"0\""), std::string::npos);
  EXPECT_EQ(svg.find("<Pro>"), std::string::npos);
  // The longest bar fills the bar area, a bar of zero draws nothing.
  EXPECT_NE(svg.find("width=\"280.0\""), std::string::npos);
  EXPECT_NE(svg.find("width=\"0.0\""), std::string::npos);
  EXPECT_EQ(CountOf(svg, "<g class=\"bar\""), 3u);
}

ReportData HostileSite() {
  ReportData data;
  data.generated_at = "2026-12-08 09:00:00";
  data.version = "Norvale Ver 1.3.3";
  data.totals.runs_loaded = 3;
  ReportComputer pc;
  pc.name = "<script>alert('pc')</script>";
  pc.windows = "Windows 10 Pro";
  pc.last_run = "2026-10-01 08:00:00";
  pc.memory_mb = 8077;
  pc.disk_total_gb = 100;
  pc.disk_free_gb = 5;
  data.computers.push_back(pc);
  pc.name = "経理部-PC01";
  pc.last_run = "2026-12-07 08:00:00";
  data.computers.push_back(pc);
  ReportApplication app;
  app.name = "</script><img src=x onerror=alert(1)>";
  app.versions = {"1.0", "2.0"};
  app.computers = {0, 1};
  data.applications.push_back(app);
  ReportError error;
  error.computer = pc.name;
  error.text = "<b>bold</b>";
  data.errors.push_back(error);
  return data;
}

TEST(ReportHtml, StoredTextNeverBecomesMarkup) {
  const std::string page = RenderReportHtml(HostileSite(), ReportLanguage::kEnglish);
  // The class switch in the head, two data blocks and the page's own script.
  EXPECT_EQ(CountOf(page, "<script"), 4u);
  EXPECT_EQ(CountOf(page, "</script>"), 4u);
  EXPECT_EQ(page.find("<img"), std::string::npos);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
  // The embedded data holds no '<' at all, whatever the names contain.
  const auto open = page.find("<script type=\"application/json\" id=\"report-data\">");
  ASSERT_NE(open, std::string::npos);
  const auto body =
      open + std::string("<script type=\"application/json\" id=\"report-data\">").size();
  const auto close = page.find("</script>", body);
  EXPECT_EQ(page.substr(body, close - body).find('<'), std::string::npos);
  // Japanese names stay as they were stored.
  EXPECT_NE(page.find("<td><span>経理部-PC01</span>"), std::string::npos);
  EXPECT_NE(page.find("<td>&lt;/script&gt;&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
  EXPECT_NE(page.find("<span class=\"pc\">&lt;script&gt;alert(&#39;pc&#39;)&lt;/script&gt;</span>"),
            std::string::npos);
}

TEST(ReportHtml, HeaderTotalsAndLanguage) {
  const std::string en = RenderReportHtml(HostileSite(), ReportLanguage::kEnglish);
  const std::string ja = RenderReportHtml(HostileSite(), ReportLanguage::kJapanese);
  struct Case {
    const std::string& page;
    std::string needle;
  } cases[] = {
      {en, "<html lang=\"en\">"},
      {en, "<dd id=\"total-computers\">2</dd>"},
      {en, "<dd id=\"total-runs\">3</dd>"},
      {en, "<dd id=\"not-seen\"><a href=\"#unseen\">1</a></dd>"},  // the October run is over 30
                                                                   // days old
      {en, "<span id=\"version\">Norvale Ver 1.3.3</span>"},
      {en, "<figcaption>Computers per Windows version</figcaption>"},
      {en, "<p class=\"low-disk\">Under 10 % free: <span class=\"pc\">"},
      {ja, "<html lang=\"ja\">"},
      {ja, "<figcaption>Windows バージョン別の台数</figcaption>"},
      {ja, "<th>コンピューター名</th>"},
      {ja, "<th data-type=\"num\">プロセッサ数</th>"},
      {ja, "\"rows\":\"{n} 行中 {a}\u2013{b} 行目\""},
  };
  for (const auto& c : cases) EXPECT_NE(c.page.find(c.needle), std::string::npos) << c.needle;
  EXPECT_EQ(ja.find("Computers per Windows version"), std::string::npos);
}

TEST(ReportHtml, PageFetchesNothingFromOutside) {
  const std::string page = RenderReportHtml(HostileSite(), ReportLanguage::kEnglish);
  for (const char* needle : {"http://", "https://", "src=\"", "<link", "@import", "url("}) {
    EXPECT_EQ(page.find(needle), std::string::npos) << needle;
  }
}

TEST(ReportHtml, EmptySiteStillMakesAPage) {
  ReportData empty;
  empty.generated_at = "2026-12-08 09:00:00";
  const std::string page = RenderReportHtml(empty, ReportLanguage::kEnglish);
  EXPECT_NE(page.find("<dd id=\"total-computers\">0</dd>"), std::string::npos);
  EXPECT_NE(page.find("<dd id=\"newest-run\">\u2013</dd>"), std::string::npos);
  EXPECT_NE(page.find("No data"), std::string::npos);  // the application chart has no bars
  EXPECT_NE(page.find("{\"installs\":[]}"), std::string::npos);
  // Every table says it is empty without the script's help.
  EXPECT_EQ(CountOf(page, "<p class=\"none\">Nothing to show</p>"), 6u);
  EXPECT_NE(page.find("<dd id=\"clock-ahead\"><a href=\"#ahead\">0</a></dd>"), std::string::npos);
}

// The site page is rows in the HTML: every computer, linked to its page
// where there is one, and the lists the charts count.
TEST(ReportHtml, TablesAndListsAreRowsThatLinkToComputerPages) {
  ReportData site = HostileSite();
  site.computers[0].page = "computers/a~1.html";
  site.computers[1].page = "computers/b~2.html";
  site.computers[1].memory_mb = 3991;  // a 4 GB PC
  site.applications[0].installs = {{0, "1.0"}, {1, "2.0"}};
  site.computers[1].clock_ahead = "2099/12/31 9:00:00";
  site.computers[1].clock_ahead_loaded_at = "2026-12-07 08:05:00";
  const std::string page = RenderReportHtml(site, ReportLanguage::kEnglish);
  struct Case {
    std::string needle;
    std::size_t count;
  } cases[] = {
      // The computers table, the unseen list and the low-disk list link both
      // ways of being named; the error row links the Japanese PC.
      {"<a href=\"computers/a~1.html\">&lt;script&gt;alert(&#39;pc&#39;)&lt;/script&gt;</a>", 2},
      {"<a href=\"computers/a~1.html\" class=\"pc\">", 1},
      {"<a href=\"computers/b~2.html\">経理部-PC01</a>", 3},
      {"<a href=\"computers/b~2.html\" class=\"pc\">経理部-PC01</a>", 2},
      {"<p class=\"low-memory\">4 GB of memory or less: <a", 1},
      {"<section class=\"table-section\" id=\"unseen\">", 1},
      {"<td class=\"num\">68<", 1},  // October 1st to December 8th
      {"<dd id=\"not-seen\"><a href=\"#unseen\">1</a></dd>", 1},
      {"<tr class=\"app\" data-app=\"0\">", 1},
      {"\"installs\":[[[\"1.0\",[0]],[\"2.0\",[1]]]]", 1},
      {"<td class=\"num warn\">5<", 2},  // 5 % free, in red
      // The run from the future: counted in the header, listed as written.
      {"<dd id=\"clock-ahead\"><a href=\"#ahead\">1</a></dd>", 1},
      {"<section class=\"table-section\" id=\"ahead\">", 1},
      {"<tr><td><a href=\"computers/b~2.html\">経理部-PC01</a><td>2099/12/31 9:00:00<td "
       "data-p=\"2026-12-07\">2026-12-07 "
       "08:05:00</tr>",
       1},
  };
  for (const auto& c : cases) EXPECT_EQ(CountOf(page, c.needle), c.count) << c.needle;
}

TEST(ReportHtml, ComputerPageShowsEachSectionAndItsHistoryAsText) {
  ComputerPage pc;
  pc.name = "<img src=x onerror=alert(1)>";
  pc.run_at = "2026-12-07 08:00:00";
  pc.sections.push_back(
      {"Hardware", ResultTable{{"field", "value"},
                               {CellType::kText, CellType::kText},
                               {{"cpu_name", "<b>fast</b>"}, {"memory_total_mb", "8077"}}}});
  pc.sections.push_back(
      {"Applications", ResultTable{{"name", "version", "count"},
                                   {CellType::kText, CellType::kText, CellType::kNumber},
                                   {{"Editor", "2.0", "1"}}}});
  pc.runs = {{7, "2026-11-01 08:00:00", 300, 0}, {9, "2026-12-07 08:00:00", 310, 2}};
  pc.changes = {
      {pc.name, "2026-12-07 08:00:00", "added", "Soft", "Application", "Editor", "", "2.0"}};
  const std::string en =
      RenderComputerPage(pc, "2026-12-08 09:00:00", "Norvale Ver 1.3.3", ReportLanguage::kEnglish);
  const std::string ja =
      RenderComputerPage(pc, "2026-12-08 09:00:00", "Norvale Ver 1.3.3", ReportLanguage::kJapanese);
  struct Case {
    const std::string& page;
    std::string needle;
    std::size_t count;
  } cases[] = {
      {en, "<img", 0},
      {en, "<b>", 0},
      {en, "<h1 id=\"computer-name\">&lt;img src=x onerror=alert(1)&gt;</h1>", 1},
      {en, "<a id=\"site-link\" href=\"../index.html\">Site report</a>", 1},
      {en, "<h2>Hardware</h2>", 1},
      {en, "<td>cpu_name<td>&lt;b&gt;fast&lt;/b&gt;", 1},
      {en, "<th>name</th><th>version</th><th data-type=\"num\">count</th>", 1},
      {en, "<td class=\"num\">9<td data-p=\"2026-12-07\">2026-12-07 08:00:00", 1},
      {en, "<td class=\"num warn\">2<", 1},
      {en, "<td>added<td>Soft", 1},
      {en, "<script", 3},  // no data block: the rows are all in the page
      {ja, "<h2>実行履歴</h2>", 1},
      {ja, "<td>追加", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(CountOf(c.page, c.needle), c.count) << c.needle;
}

// With pages, an application's name on the site page leads to a page whose
// rows are its computers, each with its version: nothing needs the script.
TEST(ReportHtml, ApplicationPageListsEachComputerWithItsVersion) {
  ReportData site = HostileSite();
  site.computers[0].page = "computers/a~1.html";
  site.applications[0].installs = {{1, "1.0"}, {0, "2.0 <beta>"}};
  site.applications[0].publisher = "\"Evil\" & Co";
  site.applications[0].page = "applications/x~3.html";
  const std::string page =
      RenderApplicationPage(site.applications[0], site, ReportLanguage::kEnglish);
  const std::string index = RenderReportHtml(site, ReportLanguage::kEnglish);
  const std::string ja =
      RenderApplicationPage(site.applications[0], site, ReportLanguage::kJapanese);
  struct Case {
    const std::string& html;
    std::string needle;
    std::size_t count;
  } cases[] = {
      {page, "<img", 0},
      {page, "<title>&lt;/script&gt;&lt;img src=x onerror=alert(1)&gt;</title>", 1},
      {page, "<span id=\"publisher\">&quot;Evil&quot; &amp; Co</span>", 1},
      {page, "<a id=\"site-link\" href=\"../index.html\">", 1},
      {page, "<th>Computer</th><th>Version</th><th>Last run</th>", 1},
      // A computer without a page is named, not linked.
      {page,
       "<tr><td><span>経理部-PC01</span><td>1.0<td data-p=\"2026-12-07\">2026-12-07 08:00:00</tr>",
       1},
      {page,
       "<tr><td><a href=\"../computers/a~1.html\">&lt;script&gt;alert(&#39;pc&#39;)&lt;/"
       "script&gt;</a><td>2.0 &lt;beta&gt;<td data-p=\"2026-10-01\">2026-10-01 08:00:00</tr>",
       1},
      {ja, "<th>コンピューター名</th><th>バージョン</th>", 1},
      {index,
       "<tr><td><a href=\"applications/x~3.html\">&lt;/script&gt;&lt;img src=x "
       "onerror=alert(1)&gt;</a>",
       1},
      {index, "data-app=", 0},
      {index, "<script type=\"application/json\" id=\"report-data\">{}</script>", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(CountOf(c.html, c.needle), c.count) << c.needle;
}

// A long table is ready with its first page of rows built; the whole table
// follows in <noscript>, which a browser without the script shows instead.
TEST(ReportHtml, LongTablesCarryTheirWholeTableForBrowsersWithoutScript) {
  struct Case {
    std::size_t rows;
    std::size_t built;  // rows outside <noscript>
    bool whole;
  } cases[] = {
      {0, 0, false}, {101, 101, false}, {250, 250, false}, {251, 100, true}, {900, 100, true}};
  for (const auto& c : cases) {
    std::vector<int> items(c.rows);
    for (std::size_t i = 0; i < c.rows; ++i) items[i] = static_cast<int>(i);
    std::string html;
    AppendTableSection(html, "t", "T", {}, {{"n", true}}, items, "none",
                       [](std::string& row, int i) { AppendCell(row, std::to_string(i), "num"); });
    const auto noscript = html.find("<noscript>");
    EXPECT_EQ(noscript != std::string::npos, c.whole) << c.rows;
    const std::string built = html.substr(0, noscript);
    const std::string whole = noscript == std::string::npos ? "" : html.substr(noscript);
    EXPECT_EQ(CountOf(built, "<tr><td"), c.built) << c.rows;
    EXPECT_EQ(CountOf(whole, "<tr><td"), c.whole ? c.rows : 0) << c.rows;
    if (c.rows > 0) {
      const std::string last = "<td class=\"num\">" + std::to_string(c.rows - 1) + "</tr>";
      EXPECT_EQ(CountOf(html, last), 1u) << c.rows;
    }
    EXPECT_EQ(CountOf(html, "data-rows=\"" + std::to_string(c.rows) + "\""), c.whole ? 1u : 0u);
    EXPECT_EQ(CountOf(html, "<div class=\"table-wrap first\">"), c.whole ? 1u : 0u);
    EXPECT_EQ(CountOf(whole, "<thead><tr><th data-type=\"num\">n</th></tr></thead>"),
              c.whole ? 1u : 0u);
    EXPECT_EQ(html.substr(html.size() - 11), "</section>\n") << c.rows;
    EXPECT_EQ(CountOf(html, "<table"), CountOf(html, "</table>"));
  }
}

// Paper gets short forms of date-times and MAC addresses; anything that only
// looks like one keeps its cell as it is.
TEST(ReportHtml, PaperFormsOfDatesAndAddresses) {
  struct Case {
    std::string text, paper;
  } cases[] = {
      {"2026-12-07 08:00:00", "2026-12-07"},
      {"D7:FB:E1:7A:01:29", "D7FBE17A0129"},
      {"d7-fb-e1-7a-01-29", "d7fbe17a0129"},
      {"2026-12-07", ""},
      {"2026/12/07 8:00:00", ""},
      {"2026-12-07T08:00:00", ""},
      {"2026-12-07 08:00:0x", ""},
      {"D7:FB-E1:7A:01:29", ""},  // mixed separators
      {"D7:FB:E1:7A:01:2G", ""},
      {"\"><script>x</script>", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PaperForm(c.text), c.paper) << c.text;
  std::string cells;
  AppendCell(cells, "2026-12-07 08:00:00", "num");
  AppendCell(cells, "D7:FB:E1:7A:01:29");
  EXPECT_EQ(cells,
            "<td class=\"num\" data-p=\"2026-12-07\">2026-12-07 08:00:00"
            "<td data-p=\"D7FBE17A0129\">D7:FB:E1:7A:01:29");
}

// One writer serves the site page (a computer column, linked where the
// computer has a page) and a computer page (no computer column).
TEST(ReportHtml, ChangeTableWithAndWithoutTheComputerColumn) {
  const std::vector<ReportChange> changes = {
      {"PC-1", "2026-12-07 08:00:00", "removed", "Soft", "Application", "<Old>", "1.0", ""},
      {"PC-2", "2026-12-07 09:00:00", "changed", "Hard", "CPU", "Count", "2", "4"}};
  const auto& t = TextsFor(ReportLanguage::kEnglish);
  std::string site, computer;
  AppendChangeTable(site, "changes", "Changes", changes, t, [](const std::string& name) {
    return std::string_view(name == "PC-1" ? "computers/pc-1.html" : "");
  });
  AppendChangeTable(computer, "run-changes", "Between runs", changes, t);
  struct Case {
    const std::string& html;
    std::string needle;
    std::size_t count;
  } cases[] = {
      {site, "<th>Computer</th><th>Time</th>", 1},
      {site,
       "<tr><td><a href=\"computers/pc-1.html\">PC-1</a><td data-p=\"2026-12-07\">2026-12-07 "
       "08:00:00<td>removed",
       1},
      {site,
       "<tr><td><span>PC-2</span><td data-p=\"2026-12-07\">2026-12-07 "
       "09:00:00<td>changed<td>Hard<td>CPU<td>Count<td>2<td>4</tr>",
       1},
      {site, "<td>&lt;Old&gt;", 1},
      {computer, "<th>Computer</th>", 0},
      {computer, "PC-1", 0},
      {computer, "<thead><tr><th>Time</th>", 1},
      {computer,
       "<tr><td data-p=\"2026-12-07\">2026-12-07 "
       "08:00:00<td>removed<td>Soft<td>Application<td>&lt;Old&gt;<td>1.0<td></tr>",
       1},
      {computer, "<p class=\"none\">", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CountOf(c.html, c.needle), c.count) << c.needle;
  std::string empty;
  AppendChangeTable(empty, "run-changes", "Between runs", {}, t);
  EXPECT_NE(empty.find("<p class=\"none\">Nothing to show</p></section>"), std::string::npos);
}

TEST(ReportHtml, ComputerPageFilesAreSafeAndApartWhereCaseIsIgnored) {
  struct Case {
    std::string name;
    std::string file;  // empty: only checked for its shape
  } cases[] = {
      {"pc-001", "pc-001.html"},
      {"PC-001", ""},
      {"pc-001 ", ""},
      {"CON", ""},
      {"con", ""},
      {"nul", ""},
      {"a/b\\c:d*e?f\"g<h>i|j", ""},
      {"..", ""},
      {"", ""},
      {"経理部-PC01", ""},
      {std::string(300, 'x'), ""},
  };
  std::set<std::string> folded;
  for (const auto& c : cases) {
    const std::string file = ComputerPageFile(c.name);
    if (!c.file.empty()) {
      EXPECT_EQ(file, c.file);
    }
    EXPECT_TRUE(file.size() >= 6 && file.substr(file.size() - 5) == ".html") << file;
    EXPECT_LE(file.size(), 100u) << c.name;
    EXPECT_EQ(file.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-_~."), std::string::npos)
        << file;
    const std::string stem = file.substr(0, file.size() - 5);
    for (const char* reserved : {"con", "nul", "aux", "prn", "com1", "lpt1"}) {
      EXPECT_NE(stem, reserved);
    }
    EXPECT_TRUE(folded.insert(file).second) << c.name << " shares " << file;
    EXPECT_EQ(ComputerPageFile(c.name), file) << "stable from one report to the next";
  }
}

}  // namespace
}  // namespace norvale::fleet
