#include "fleet/report_pages.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>

#include "core/utf.h"
#include "fleet/answer_commands.h"
#include "fleet/report/computer_page.h"
#include "fleet/report/page_names.h"
#include "fleet/report/query.h"
#include "fleet/report/site_page.h"
#include "fleet/system/files.h"

namespace norvale::fleet {
namespace {

constexpr const char* kSitePage = "index.html";
// Runs whose inventory is read together: few queries, bounded memory.
constexpr std::size_t kBatch = 400;

// Gives each computer its page; a name whose file another already took
// (only a hash collision could) gets its run number added.
void AssignPages(ReportData& data) {
  std::set<std::string> taken;
  for (ReportComputer& c : data.computers) {
    std::string file = ComputerPageFile(c.name);
    if (!taken.insert(UpperAscii(file)).second) {
      file.insert(file.size() - 5, "-" + std::to_string(c.run_id));
      taken.insert(UpperAscii(file));
    }
    c.page = std::string(kComputerPagesFolder) + "/" + file;
  }
}

std::map<std::string, std::vector<ReportRun>> RunsByComputer(Database& db) {
  std::map<std::string, std::vector<ReportRun>> runs;
  db.ForEachRow(
      "SELECT computer, run_id, COALESCE(run_at, loaded_at), row_count, error_count FROM runs"
      " ORDER BY computer, COALESCE(run_at, loaded_at), run_id",
      {}, [&](const Row& row) {
        runs[Text(row[0])].push_back(ReportRun{std::stoll(Text(row[1])), Text(row[2]),
                                               std::stoll(Text(row[3])), std::stoll(Text(row[4]))});
      });
  return runs;
}

std::map<std::string, std::vector<FactChange>> ChangesByComputer(
    const std::vector<FactChange>& every_change) {
  std::map<std::string, std::vector<FactChange>> changes;
  for (const FactChange& c : every_change) changes[c.computer].push_back(c);
  return changes;
}

ComputerPage PageOf(const ReportComputer& c, std::vector<Section> sections,
                    std::vector<ReportRun> runs, const std::vector<FactChange>& changes,
                    bool japanese) {
  ComputerPage page;
  page.name = c.name;
  page.run_at = c.last_run;
  const ChosenRun run{c.run_id, c.name, c.last_run};
  for (NamedTable& table : ComputerRunTables(run, std::move(sections), changes, japanese)) {
    page.sections.emplace_back(std::move(table.name), std::move(table.table));
  }
  page.runs = std::move(runs);
  for (const FactChange& change : changes) page.changes.push_back(ReportChangeOf(change));
  return page;
}

}  // namespace

FolderSizes WriteReportFolder(Database& db, ReportData& data,
                              const std::vector<FactChange>& every_change,
                              const std::string& folder, ReportLanguage language) {
  const std::filesystem::path root(folder);
  std::error_code ec;
  std::filesystem::create_directories(root / kComputerPagesFolder, ec);
  if (ec) throw std::runtime_error("cannot make the folder " + folder + ": " + ec.message());
  AssignPages(data);

  FolderSizes sizes;
  const std::string site = RenderReportHtml(data, language);
  ReplaceFileAtomically((root / kSitePage).string(), site);
  sizes.site_bytes = site.size();

  auto runs = RunsByComputer(db);
  const auto changes = ChangesByComputer(every_change);
  const std::vector<FactChange> none;
  // The inventory of many computers at once: a query per kind and batch
  // instead of one per kind and computer.
  for (std::size_t first = 0; first < data.computers.size(); first += kBatch) {
    const std::size_t end = std::min(data.computers.size(), first + kBatch);
    std::vector<std::int64_t> run_ids;
    for (std::size_t i = first; i < end; ++i) run_ids.push_back(data.computers[i].run_id);
    auto sections = AnswerComputerRuns(db, run_ids);
    for (std::size_t i = first; i < end; ++i) {
      const ReportComputer& c = data.computers[i];
      const auto found = changes.find(c.name);
      const ComputerPage page = PageOf(c, std::move(sections[i - first]), std::move(runs[c.name]),
                                       found == changes.end() ? none : found->second,
                                       language == ReportLanguage::kJapanese);
      const std::string html = RenderComputerPage(page, data.generated_at, data.version, language);
      ReplaceFileAtomically((root / c.page).string(), html);
      ++sizes.pages;
      sizes.largest_page = std::max(sizes.largest_page, html.size());
    }
  }
  return sizes;
}

}  // namespace norvale::fleet
