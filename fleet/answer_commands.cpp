// The commands that answer everyday questions from the typed tables:
// computers, computer, search, software, unseen and export.
#include "fleet/answer_commands.h"

#include <stdexcept>

#include "core/utf.h"
#include "fleet/commands.h"
#include "fleet/common/timestamps.h"
#include "fleet/query/answers.h"
#include "fleet/query/queries.h"

namespace norvale::fleet {
namespace {

// The headings of the computer command, by table, in both languages.
struct Heading {
  const char* table;
  const char* english;
  const char* japanese;
};
constexpr Heading kHeadings[] = {
    {"os", "Operating system", "オペレーティング システム"},
    {"hardware", "Hardware", "ハードウェア"},
    {"system_info", "System, BIOS and board", "システム、BIOS、ボード"},
    {"memory_modules", "Memory modules", "メモリ モジュール"},
    {"drives", "Drives", "ドライブ"},
    {"lan", "LAN", "LAN"},
    {"adapters", "Network adapters", "ネットワーク アダプタ"},
    {"printers", "Printers", "プリンタ"},
    {"shares", "Shared folders", "共有フォルダ"},
    {"devices", "Devices", "デバイス"},
    {"environment", "Environment", "環境変数"},
    {"registry_values", "Registry values", "レジストリ値"},
    {"file_versions", "File versions", "ファイル バージョン"},
    {"run_errors", "Errors", "エラー"},
    {"applications", "Applications", "アプリケーション"},
    {"changes", "Last changes", "最近の変更"},
};
constexpr const char* kRunHeading[] = {"Run", "実行"};

const char* HeadingOf(const std::string& table, bool japanese) {
  for (const Heading& h : kHeadings) {
    if (table == h.table) return japanese ? h.japanese : h.english;
  }
  return table.c_str();
}

}  // namespace

std::vector<NamedTable> ComputerRunTables(const ChosenRun& run, std::vector<Section> sections,
                                          std::span<const FactChange> changes, bool japanese) {
  std::vector<NamedTable> tables;
  ResultTable about{{"computer", "run_id", "run_at"},
                    {CellType::kText, CellType::kNumber, CellType::kDate},
                    {{run.computer, std::to_string(run.run_id), run.run_at}}};
  tables.push_back({kRunHeading[japanese ? 1 : 0], std::move(about)});
  for (const Heading& h : kHeadings) {
    for (Section& section : sections) {
      if (section.table == h.table) {
        tables.push_back({HeadingOf(h.table, japanese), std::move(section.rows)});
      }
    }
  }
  // What changed with this run.
  std::vector<FactChange> last;
  for (const FactChange& c : changes) {
    if (NormaliseRunAt(c.to_date, c.to_time) == run.run_at) last.push_back(c);
  }
  if (!last.empty()) tables.push_back({HeadingOf("changes", japanese), ChangesTable(last)});
  return tables;
}

namespace {

// On a terminal the computer's last changes leave out its name and the
// newer run's time, which the run's table shows above them: the older run's
// time then fits whole beside the facts on 80 columns.
void FitChangesToTerminal(ResultTable& changes) {
  ResultTable kept{{}, {}, std::vector<std::vector<std::string>>(changes.rows.size())};
  for (std::size_t c = 0; c < changes.header.size(); ++c) {
    if (changes.header[c] == kChangesComputerColumn || changes.header[c] == kChangesToColumn) {
      continue;
    }
    kept.header.push_back(changes.header[c]);
    kept.types.push_back(changes.types[c]);
    for (std::size_t r = 0; r < changes.rows.size(); ++r)
      kept.rows[r].push_back(changes.rows[r][c]);
  }
  changes = std::move(kept);
}

int Days(const Arguments& args) {
  const std::string text = args.Get("days", "30");
  if (text.empty() || text.size() > 5 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    throw std::runtime_error("--days wants a whole number of days, got '" + text + "'");
  }
  return std::stoi(text);
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto comma = text.find(',', start);
    const std::string part =
        TrimSpaces(text.substr(start, comma == std::string::npos ? comma : comma - start));
    if (!part.empty()) out.push_back(part);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

int RunComputers(const Arguments& args, CommandIo& io) {
  NoPositional(args);
  FormatOf(args);
  ComputerQuestion question;
  for (const std::string& where : args.GetAll("where")) {
    for (const std::string& condition : SplitList(where)) question.conditions.push_back(condition);
  }
  question.sort = args.Get("sort");
  question.columns = SplitList(args.Get("columns"));
  question.now = NowUtc();
  CheckComputerQuestion(question);
  auto db = OpenForQuery(args);
  EmitTable(args, io, AnswerComputers(*db, question), "computers");
  return kExitOk;
}

int RunComputer(const Arguments& args, CommandIo& io) {
  if (args.positional.size() != 1) throw std::runtime_error("name one computer");
  FormatOf(args);
  const std::string language = args.Get("lang", "en");
  if (language != "en" && language != "ja") {
    throw std::runtime_error("--lang is en or ja, got '" + language + "'");
  }
  const bool japanese = language == "ja";
  RunChoice choice;
  if (args.options.count("run")) {
    const std::string run = args.Get("run");
    if (run.empty() || run.size() > 18 ||
        run.find_first_not_of("0123456789") != std::string::npos) {
      throw std::runtime_error("--run wants a run number, got '" + run + "'");
    }
    choice.run_id = std::stoll(run);
  }
  if (args.options.count("at")) {
    const std::string at = args.Get("at");
    const std::string date = NormaliseDate(at.substr(0, at.find(' ')));
    if (date.empty()) throw std::runtime_error("--at wants a date as YYYY-MM-DD, got '" + at + "'");
    const std::string time = at.find(' ') == std::string::npos ? "" : at.substr(at.find(' ') + 1);
    choice.at = time.empty() ? date : NormaliseRunAt(date, time);
    if (choice.at.empty())
      throw std::runtime_error("--at wants a time as HH:MM:SS, got '" + at + "'");
  }
  auto db = OpenForQuery(args);
  const std::string name = KnownComputer(*db, args.positional[0]);
  const auto run = ChooseRun(*db, name, choice);
  if (!run) throw std::runtime_error("no run of " + name + " matches --run or --at");
  std::vector<NamedTable> tables = ComputerRunTables(*run, AnswerComputer(*db, run->run_id),
                                                     ListChanges(*db, {name, "", false}), japanese);
  if (FormatOf(args) == OutputFormat::kTable && io.out_width > 0 && args.Get("out").empty()) {
    for (NamedTable& table : tables) {
      if (table.name == HeadingOf("changes", japanese)) FitChangesToTerminal(table.table);
    }
  }
  EmitTables(args, io, tables);
  return kExitOk;
}

int RunSearch(const Arguments& args, CommandIo& io) {
  if (args.positional.size() != 1 || args.positional[0].empty()) {
    throw std::runtime_error("give one text to search for");
  }
  FormatOf(args);
  auto db = OpenForQuery(args);
  EmitTable(args, io, AnswerSearch(*db, args.positional[0]), "search");
  return kExitOk;
}

int RunSoftware(const Arguments& args, CommandIo& io) {
  NoPositional(args);
  FormatOf(args);
  auto db = OpenForQuery(args);
  SoftwareQuestion question;
  question.name_pattern = args.Get("name");
  if (args.options.count("computer")) question.computer = KnownComputer(*db, args.Get("computer"));
  question.versions = args.Has("versions");
  question.installs = args.Has("computers");
  EmitTable(args, io, AnswerSoftware(*db, question), "applications");
  return kExitOk;
}

int RunUnseen(const Arguments& args, CommandIo& io) {
  NoPositional(args);
  FormatOf(args);
  const int days = Days(args);
  auto db = OpenForQuery(args);
  EmitTable(args, io, AnswerUnseen(*db, days, NowUtc()), "unseen");
  return kExitOk;
}

int RunExport(const Arguments& args, CommandIo& io) {
  NoPositional(args);
  const std::string out = args.Get("out");
  if (out.size() < 5 || !EqualsNoCase(out.substr(out.size() - 5), ".xlsx")) {
    throw std::runtime_error("export writes a workbook: give --out FILE.xlsx");
  }
  const int days = Days(args);
  auto db = OpenForQuery(args);
  ComputerQuestion everything;
  for (const ComputerColumn& column : ComputerColumns()) everything.columns.push_back(column.name);
  everything.now = NowUtc();
  SoftwareQuestion installs;
  installs.installs = true;
  EmitTables(args, io,
             {{"computers", AnswerComputers(*db, everything)},
              {"applications", AnswerSoftware(*db, {})},
              {"installs", AnswerSoftware(*db, installs)},
              {"changes", ChangesTable(ListChanges(*db, {}))},
              {"errors", AnswerErrors(*db)},
              {"unseen", AnswerUnseen(*db, days, everything.now)}});
  io.out << "wrote " << out << "\n";
  return kExitOk;
}

std::string ColumnList() {
  std::string text;
  std::string line = "                     ";
  for (const ComputerColumn& column : ComputerColumns()) {
    if (line.size() + std::string_view(column.name).size() + 2 > 79) {
      text += line + "\n";
      line = "                     ";
    }
    line += std::string(column.name) + (&column == &ComputerColumns().back() ? "" : ", ");
  }
  return text + line + "\n";
}

}  // namespace

Command ComputersCommand() {
  return QuestionCommand(
      {"computers",
       "one line per computer from its latest run, by criteria",
       "usage: norvale-fleet computers [--where CONDITION]... [--sort COLUMN]\n"
       "                               [--columns A,B,C] [--db TARGET] [--format FORMAT]\n"
       "                               [--out FILE]\n"
       "One line per computer from its newest run, the same for English and Japanese\n"
       "files: memory in MB, disks in GB, dates as YYYY-MM-DD HH:MM:SS. On a terminal\n"
       "the table fits its width, long cells shortened with an ellipsis.\n\n",
       {"where", "sort", "columns"},
       {},
       RunComputers},
      "  --where CONDITION  COLUMN OPERATOR VALUE with <, <=, >, >=, = or !=; several\n"
      "                     (repeated, or separated by commas) must all hold. Text\n"
      "                     matches in any case, * and ? are wildcards:\n"
      "                       disk_free_pct<10   memory_mb<8192   windows=*Windows 7*\n"
      "                       last_seen>30d (not seen for more than 30 days)\n"
      "  --sort COLUMN      order by COLUMN (-COLUMN: largest first); default computer\n"
      "  --columns A,B,C    the columns to show, of:\n" +
          ColumnList());
}

Command ComputerCommand() {
  return QuestionCommand(
      {"computer",
       "everything about one computer's newest (or an earlier) run",
       "usage: norvale-fleet computer NAME [--run N | --at DATE] [--lang en|ja]\n"
       "                              [--db TARGET] [--format FORMAT] [--out FILE]\n"
       "Everything about one computer (its name in any case), grouped by kind: the\n"
       "operating system, hardware, drives, adapters, devices, ..., its applications\n"
       "and what changed with the run.\n\n",
       {"run", "at", "lang"},
       {},
       RunComputer},
      "  --run N            that run of the computer (run_id) instead of the newest\n"
      "  --at DATE          the newest run at or before DATE (YYYY-MM-DD[ HH:MM:SS])\n"
      "  --lang en|ja       the headings in English (default) or Japanese\n",
      "                     (a workbook has a sheet per kind)\n");
}

Command SearchCommand() {
  return QuestionCommand(
      {"search",
       "every latest fact and computer name that contains a text",
       "usage: norvale-fleet search TEXT [--db TARGET] [--format FORMAT] [--out FILE]\n"
       "Every fact of the computers' newest runs, and every computer name, that\n"
       "contains TEXT in any case: an address, a user name, a serial number, a\n"
       "program. Shows the computer, the kind (group), the item and the value.\n\n",
       {},
       {},
       RunSearch},
      "");
}

Command SoftwareCommand() {
  return QuestionCommand(
      {"software",
       "installed applications across the latest runs",
       "usage: norvale-fleet software [--name PATTERN] [--computer NAME] [--versions]\n"
       "                              [--computers] [--db TARGET] [--format FORMAT]\n"
       "                              [--out FILE]\n"
       "One line per application of the computers' newest runs, most installed first:\n"
       "on how many computers, its versions (in version order) and publisher.\n\n",
       {"name", "computer"},
       {"versions", "computers"},
       RunSoftware},
      "  --name PATTERN     only names matching PATTERN (any case; * and ? are\n"
      "                     wildcards, without them a part of the name matches)\n"
      "  --computer NAME    the applications of one computer\n"
      "  --versions         one line per version, with its number of computers\n"
      "  --computers        one line per application and computer\n");
}

Command UnseenCommand() {
  return QuestionCommand(
      {"unseen",
       "computers that have not reported for some days",
       "usage: norvale-fleet unseen [--days N] [--db TARGET] [--format FORMAT] [--out FILE]\n"
       "The computers whose newest run is older than N days (default 30), oldest\n"
       "first, with their last run.\n\n",
       {"days"},
       {},
       RunUnseen},
      "  --days N           days without a run (default 30)\n");
}

Command ExportCommand() {
  return {"export",
          "the whole site as one Excel workbook",
          "usage: norvale-fleet export --out FILE.xlsx [--days N] [--db TARGET]\n"
          "One workbook with a sheet per table: computers, applications, installs\n"
          "(application and computer), changes, errors and unseen (not seen for N days,\n"
          "default 30). Header rows frozen with filters, numbers and dates typed.\n\n" +
              kDbHelp + "  --out FILE.xlsx    the workbook to write\n" +
              "  --days N           days without a run for the unseen sheet (default 30)\n",
          {"db", "out", "days"},
          {},
          RunExport};
}

}  // namespace norvale::fleet
