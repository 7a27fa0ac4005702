#include "fleet/report_pages.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "core/result_labels.h"
#include "core/utf.h"
#include "fleet/answer_commands.h"
#include "fleet/report/application_page.h"
#include "fleet/report/computer_page.h"
#include "fleet/report/page_names.h"
#include "fleet/report/page_workers.h"
#include "fleet/report/query.h"
#include "fleet/report/site_page.h"
#include "fleet/system/files.h"

namespace norvale::fleet {
namespace {

constexpr const char* kSitePage = "index.html";
// Runs whose inventory is read together: few queries, bounded memory.
constexpr std::size_t kBatch = 400;

// Gives each computer and application its page; a name whose file another
// already took (only a hash collision could) gets `tiebreak` of it added.
template <typename Items, typename Tiebreak>
void AssignPages(Items& items, const char* folder, Tiebreak tiebreak) {
  std::set<std::string> taken;
  for (auto& item : items) {
    std::string file = ComputerPageFile(item.name);
    if (!taken.insert(UpperAscii(file)).second) {
      file.insert(file.size() - 5, "-" + tiebreak(item));
      taken.insert(UpperAscii(file));
    }
    item.page = std::string(folder) + "/" + file;
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

// Each computer's changes as a part of the whole list, which holds a
// computer's changes together (ListChanges orders them by computer): no copy.
std::unordered_map<std::string_view, std::span<const FactChange>> ChangesByComputer(
    const std::vector<FactChange>& every_change) {
  std::unordered_map<std::string_view, std::span<const FactChange>> changes;
  for (std::size_t first = 0, end = 0; first < every_change.size(); first = end) {
    end = first + 1;
    while (end < every_change.size() &&
           every_change[end].computer == every_change[first].computer) {
      ++end;
    }
    changes.emplace(every_change[first].computer,
                    std::span<const FactChange>(every_change).subspan(first, end - first));
  }
  return changes;
}

// The files name no install date. What the history tells is when an
// application came: the newest run that added it, or the computer's first
// run when every run has had it.
constexpr const char* kSeenSinceColumn = "seen_since";

void AddSeenSince(std::vector<Section>& sections, std::span<const FactChange> changes,
                  const std::vector<ReportRun>& runs) {
  const auto applications = std::find_if(
      sections.begin(), sections.end(), [](const Section& s) { return s.table == "applications"; });
  if (applications == sections.end() || runs.empty()) return;
  ResultTable& table = applications->rows;
  const auto name = std::find(table.header.begin(), table.header.end(), "name");
  if (name == table.header.end()) return;
  const std::size_t column = name - table.header.begin();
  std::unordered_map<std::string_view, std::string_view>
      added;  // by name; changes are oldest first
  for (const FactChange& c : changes) {
    if (c.change == "added" && c.category == kGroupSoft && c.item == kItemApplication) {
      added[c.subitem] = c.to_at;
    }
  }
  table.header.push_back(kSeenSinceColumn);
  table.types.push_back(CellType::kDate);
  for (std::vector<std::string>& row : table.rows) {
    const auto found = added.find(row[column]);
    row.emplace_back(found == added.end() ? runs.front().when : found->second);
  }
}

// What a computer's page is made of, read here and handed to a page thread.
struct PageInputs {
  std::vector<Section> sections;
  std::vector<ReportRun> runs;
  std::span<const FactChange> changes;
};

ComputerPage PageOf(const ReportComputer& c, std::vector<Section> sections,
                    std::vector<ReportRun> runs, std::span<const FactChange> changes,
                    bool japanese) {
  ComputerPage page;
  page.name = c.name;
  page.run_at = c.last_run;
  const ChosenRun run{c.run_id, c.name, c.last_run};
  AddSeenSince(sections, changes, runs);
  for (NamedTable& table : ComputerRunTables(run, std::move(sections), changes, japanese)) {
    page.sections.emplace_back(std::move(table.name), std::move(table.table));
  }
  page.runs = std::move(runs);
  for (const FactChange& change : changes) page.changes.push_back(ReportChangeOf(change));
  return page;
}

// Two threads make and write the pages while this one reads the next
// batch; more would only wait for each other on a two-core machine.
constexpr std::size_t kPageThreads = 2;

// The pages the site links to: a computer's from its newest run's tables,
// its runs and its changes, an application's from the site's data.
void QueuePages(Database& db, const ReportData& data, const std::vector<FactChange>& every_change,
                const std::string& root, ReportLanguage language, PageWorkers& workers) {
  // The pages are made again by the next report: waiting for the disk after
  // each of ten thousand of them would take longer than writing them all.
  // The site page, written last, is flushed.
  constexpr Flush kPageFlush = Flush::kWhenTheSystemWrites;
  auto runs = RunsByComputer(db);
  const auto changes = ChangesByComputer(every_change);
  const bool japanese = language == ReportLanguage::kJapanese;
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
      auto inputs = std::make_shared<PageInputs>(
          PageInputs{std::move(sections[i - first]), std::move(runs[c.name]),
                     found == changes.end() ? std::span<const FactChange>() : found->second});
      workers.Add([&data, &root, &c, inputs, japanese, language](PageTally& tally) {
        const ComputerPage page = PageOf(c, std::move(inputs->sections), std::move(inputs->runs),
                                         inputs->changes, japanese);
        const std::string html =
            RenderComputerPage(page, data.generated_at, data.version, language);
        ReplaceFileAtomically(JoinPath(root, c.page), html, kPageFlush);
        ++tally.pages;
        tally.largest = std::max(tally.largest, html.size());
      });
    }
  }
  for (const ReportApplication& application : data.applications) {
    workers.Add([&data, &root, &application, language](PageTally&) {
      ReplaceFileAtomically(JoinPath(root, application.page),
                            RenderApplicationPage(application, data, language), kPageFlush);
    });
  }
}

}  // namespace

FolderSizes WriteReportFolder(Database& db, ReportData& data,
                              const std::vector<FactChange>& every_change,
                              const std::string& folder, ReportLanguage language) {
  for (const char* pages : {kComputerPagesFolder, kApplicationPagesFolder}) {
    CreateFolders(JoinPath(folder, pages));
  }
  AssignPages(data.computers, kComputerPagesFolder,
              [](const ReportComputer& c) { return std::to_string(c.run_id); });
  AssignPages(data.applications, kApplicationPagesFolder,
              [n = 0](const ReportApplication&) mutable { return std::to_string(++n); });

  PageWorkers workers(kPageThreads, 2 * kBatch);
  QueuePages(db, data, every_change, folder, language, workers);
  // The site page is made while the last pages are written.
  const std::string site = RenderReportHtml(data, language);
  const PageTally tally = workers.Finish();
  ReplaceFileAtomically(JoinPath(folder, kSitePage), site);
  FolderSizes sizes;
  sizes.pages = tally.pages;
  sizes.largest_page = tally.largest;
  sizes.site_bytes = site.size();
  return sizes;
}

}  // namespace norvale::fleet
