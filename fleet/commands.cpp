#include "fleet/commands.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "core/utf.h"
#include "fleet/common/timestamps.h"
#include "fleet/load/loader.h"
#include "fleet/open_store.h"
#include "fleet/query/answers.h"
#include "fleet/query/queries.h"
#include "fleet/query/table_output.h"
#include "fleet/query/workbook.h"
#include "fleet/store/schema.h"
#include "fleet/system/files.h"
#include "fleet/system/interrupt.h"

namespace norvale::fleet {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kClockAhead = "clock ahead ";
constexpr const char* kClockAheadDated = ": run dated ";
constexpr const char* kClockAheadNotNewest =
    ", more than a day after it was loaded and after the file's time; stored, but never "
    "counted as the newest run of ";
constexpr const char* kClockAheadByDate = " by that date";
constexpr const char* kClockAheadSummary = ", clock ahead ";

const std::string kInterrupted = "interrupted: ";
const std::string kInterruptedRolledBack =
    " was rolled back and the files after it were not stored";
const std::string kInterruptedNotStored = " and the files after it were not stored";
const std::string kInterruptedLoadedBefore = "; files loaded before it: ";
const std::string kInterruptedRerun = ", each whole; a rerun loads the rest\n";

// Which file Ctrl+C stopped at, whether its rows were rolled back, and how
// many files were stored before it.
void PrintInterrupted(const CommandIo& io, const LoadInterrupted& interrupted) {
  io.err << kInterrupted << VisibleText(interrupted.next_path)
         << (interrupted.rolled_back ? kInterruptedRolledBack : kInterruptedNotStored)
         << kInterruptedLoadedBefore << interrupted.summary.loaded << kInterruptedRerun;
}

// A folder named on the command line that has no result files of its own
// but folders inside it: the files are probably in those.
std::string FolderWithOnlySubfolders(const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    if (KindOfPath(input) != PathKind::kFolder) continue;
    for (const FolderEntry& entry : ListFolder(input, LastLink::kFollow).entries) {
      if (entry.kind == EntryKind::kFolder) return input;
    }
  }
  return {};
}

// Prints notes and rejections as they come, and on a terminal one progress
// line that rewrites itself.
class ConsoleObserver final : public LoadObserver {
 public:
  explicit ConsoleObserver(CommandIo& io) : io_(io), start_(Clock::now()) {}

  // File names and reasons may quote a file's text: shown visibly, never
  // as control characters that would drive the terminal.
  void Skipped(const std::string& path, const std::string& why) override {
    ClearLine();
    io_.err << "skipped " << VisibleText(path) << ": " << VisibleText(why) << "\n";
  }
  void Rejected(const std::string& path, int line, const std::string& why) override {
    ClearLine();
    io_.err << "rejected " << VisibleText(path);
    if (line > 0) io_.err << ":" << line;
    io_.err << ": " << VisibleText(why) << "\n";
  }
  void ClockAhead(const std::string& path, const std::string& computer,
                  const std::string& run_at) override {
    ClearLine();
    io_.err << kClockAhead << path << kClockAheadDated << run_at << kClockAheadNotNewest << computer
            << kClockAheadByDate << "\n";
  }
  void Progress(int done, int total, std::int64_t rows, const std::string& path) override {
    if (!io_.terminal) return;
    const auto now = Clock::now();
    if (done != total && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::string line = "[" + std::to_string(done) + "/" + std::to_string(total) + "] " +
                       std::to_string(seconds > 0 ? static_cast<long long>(rows / seconds) : 0) +
                       " rows/s " + VisibleText(path);
    if (line.size() > 79) line = line.substr(0, 76) + "...";
    io_.err << "\r" << line << "\x1b[K" << std::flush;
    shown_ = true;
  }
  void ClearLine() {
    if (shown_) io_.err << "\r\x1b[K";
    shown_ = false;
  }
  double Seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

 private:
  CommandIo& io_;
  Clock::time_point start_, last_{};
  bool shown_ = false;
};

void PrintSummary(CommandIo& io, const LoadSummary& summary, double elapsed) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", elapsed);
  io.out << "loaded " << summary.loaded << ", unchanged " << summary.unchanged << ", rejected "
         << summary.rejected << ", skipped " << summary.skipped;
  if (summary.clock_ahead > 0) io.out << kClockAheadSummary << summary.clock_ahead;
  if (summary.not_regular > 0) {
    io.out << "; skipped " << summary.not_regular << ": " << kNotARegularFile;
  }
  io.out << " (" << summary.rows << " rows in " << seconds << " s)\n";
}

// "4096", "512K", "64M", "1G" (binary multiples; a "B" after them is allowed).
std::optional<std::uint64_t> ParseByteSize(std::string text) {
  if (!text.empty() && (text.back() == 'B' || text.back() == 'b')) text.pop_back();
  int shift = 0;
  if (!text.empty()) {
    switch (text.back()) {
      case 'K':
      case 'k':
        shift = 10;
        break;
      case 'M':
      case 'm':
        shift = 20;
        break;
      case 'G':
      case 'g':
        shift = 30;
        break;
      default:
        break;
    }
  }
  if (shift) text.pop_back();
  if (text.empty() || text.size() > 12) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value == 0) return std::nullopt;
  return value << shift;
}

int RunLoad(const Arguments& args, CommandIo& io) {
  if (args.positional.empty()) throw std::runtime_error("name at least one folder or file to load");
  LoadOptions options;
  options.recursive = args.Has("recursive");
  options.any_file_name = args.Has("any-file-name");
  if (args.options.count("encoding")) {
    options.encoding = ParseEncodingName(args.Get("encoding"));
    if (!options.encoding) {
      throw std::runtime_error("unknown --encoding '" + args.Get("encoding") +
                               "' (utf-8, shift_jis or windows-1252)");
    }
  }
  if (args.options.count("max-file-size")) {
    const auto bytes = ParseByteSize(args.Get("max-file-size"));
    if (!bytes) {
      throw std::runtime_error("--max-file-size wants a size such as 64M, got '" +
                               args.Get("max-file-size") + "'");
    }
    options.max_file_bytes = *bytes;
  }
  options.stop_requested = io.stop_requested;
  auto db = OpenStoreForLoad(args.Get("db", std::string(kDefaultTarget)));
  const SchemaChange schema = EnsureSchema(*db);
  if (schema.from > 0 && schema.from < schema.to) {
    io.out << "upgraded the database from fleet schema " << schema.from << " to " << schema.to
           << " (typed tables derived from the facts of " << schema.runs << " runs)\n";
  }
  ConsoleObserver observer(io);
  LoadSummary summary;
  try {
    summary = LoadResultFiles(*db, args.positional, options, observer);
  } catch (const LoadInterrupted& interrupted) {
    observer.ClearLine();
    PrintInterrupted(io, interrupted);
    PrintSummary(io, interrupted.summary, observer.Seconds());
    return kExitInterrupted;
  } catch (...) {
    observer.ClearLine();
    throw;
  }
  observer.ClearLine();
  PrintSummary(io, summary, observer.Seconds());
  if (!options.recursive && summary.loaded + summary.unchanged + summary.rejected == 0) {
    const std::string folder = FolderWithOnlySubfolders(args.positional);
    if (!folder.empty()) {
      io.err << "no result files in " << folder
             << " itself, but it has subfolders: add --recursive to load the files in them\n";
    }
  }
  return summary.rejected > 0 ? kExitRejected : kExitOk;
}

// "2026-12-01", "2026/12/01" or with a time; compared with run times.
std::string SinceText(const std::string& since) {
  if (since.empty()) return since;
  std::string date = since.substr(0, since.find(' '));
  std::string time = since.size() > date.size() ? since.substr(date.size() + 1) : "0:00";
  std::string at = NormaliseRunAt(date, time);
  if (at.empty() || date.size() < 8 || !(date[0] >= '1' && date[0] <= '9' && date[4] < '0')) {
    throw std::runtime_error("--since wants a date as YYYY-MM-DD, got '" + since + "'");
  }
  return at;
}

}  // namespace

ResultTable ChangesTable(const std::vector<FactChange>& changes) {
  const CellType kT = CellType::kText, kD = CellType::kDate;
  ResultTable table{{kChangesComputerColumn, "from", kChangesToColumn, "change", "group", "item",
                     "subitem", "old", "new"},
                    {kT, kD, kD, kT, kT, kT, kT, kT, kT},
                    {}};
  // The runs' times in one form; a time the file wrote in a form not known
  // stays as it was written.
  auto when = [](const std::string& date, const std::string& time) {
    const std::string at = NormaliseRunAt(date, time);
    return at.empty() ? date + " " + time : at;
  };
  for (const FactChange& c : changes) {
    table.rows.push_back({c.computer, when(c.from_date, c.from_time), when(c.to_date, c.to_time),
                          c.change, c.category, c.item, c.subitem, c.old_value, c.new_value});
  }
  return table;
}

std::string KnownComputer(Database& db, const std::string& name) {
  const auto stored = StoredComputerName(db, name);
  if (!stored) throw std::runtime_error("no computer named '" + name + "' in the database");
  return *stored;
}

namespace {

int RunChanges(const Arguments& args, CommandIo& io) {
  NoPositional(args);
  FormatOf(args);  // a wrong --format fails before the work
  ChangeFilter filter{args.Get("computer"), SinceText(args.Get("since")), args.Has("all")};
  auto db = OpenForQuery(args);
  if (!filter.computer.empty()) filter.computer = KnownComputer(*db, filter.computer);
  EmitTable(args, io, ChangesTable(ListChanges(*db, filter)), "changes");
  return kExitOk;
}

}  // namespace

const std::string kDbHelp =
    "  --db TARGET        an SQLite file (default norvale-fleet.sqlite in the current\n"
    "                     folder) or a PostgreSQL URI, postgresql://user@host/dbname\n";
const std::string kFormatHelp =
    "  --format FORMAT    table (default), csv or tsv\n"
    "  --out FILE         write FILE.xlsx (an Excel workbook) or FILE.csv (UTF-8 with a\n"
    "                     byte-order mark, as Excel opens it in any language) instead\n";

Command QuestionCommand(Command command, const std::string& options_help,
                        const std::string& format_note) {
  command.help += kDbHelp + options_help + kFormatHelp + format_note;
  command.value_options.insert(command.value_options.begin(), {"db", "format", "out"});
  return command;
}

std::unique_ptr<Database> OpenForQuery(const Arguments& args) {
  return OpenStoreForQuery(args.Get("db", std::string(kDefaultTarget)));
}

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && EqualsNoCase(text.substr(text.size() - end.size()), end);
}

}  // namespace

OutputFormat FormatOf(const Arguments& args) {
  const std::string out = args.Get("out");
  if (!out.empty() && !EndsWithNoCase(out, ".xlsx") && !EndsWithNoCase(out, ".csv")) {
    throw std::runtime_error("--out wants a file name ending in .xlsx or .csv");
  }
  const auto format = ParseOutputFormat(args.Get("format", "table"));
  if (!format) {
    throw std::runtime_error("unknown --format '" + args.Get("format") + "'; the formats are " +
                             std::string(kOutputFormatNames));
  }
  return *format;
}

void NoPositional(const Arguments& args) {
  if (!args.positional.empty()) {
    throw std::runtime_error("unexpected argument '" + args.positional[0] + "'");
  }
}

void EmitTables(const Arguments& args, CommandIo& io, const std::vector<NamedTable>& tables) {
  const OutputFormat format = FormatOf(args);
  const std::string out = args.Get("out");
  if (EndsWithNoCase(out, ".xlsx")) {
    std::vector<WorkbookSheet> sheets;
    for (const NamedTable& t : tables) sheets.push_back({t.name, &t.table});
    for (const std::string& cut : WriteWorkbook(out, sheets)) {
      io.err << "the sheet " << cut << " holds the first " << kMaxSheetRows
             << " rows only, as many as a sheet takes\n";
    }
    return;
  }
  if (EndsWithNoCase(out, ".csv")) {
    if (tables.size() != 1) {
      throw std::runtime_error("--out " + out + ": this answer has several tables; write .xlsx");
    }
    std::ostringstream csv;
    WriteSpreadsheetCsv(csv, tables[0].table);
    ReplaceFileAtomically(out, csv.str());  // throws naming the file and why
    return;
  }
  for (const NamedTable& t : tables) {
    if (tables.size() > 1) io.out << (&t == &tables.front() ? "" : "\n") << "[" << t.name << "]\n";
    WriteTable(io.out, format, t.table.header, t.table.rows, CellUse::kExactData,
               format == OutputFormat::kTable ? io.out_width : 0, t.table.types);
  }
}

void EmitTable(const Arguments& args, CommandIo& io, const ResultTable& table,
               const std::string& sheet) {
  EmitTables(args, io, {NamedTable{sheet, table}});
}

Command LoadCommand() {
  return {"load",
          "store result files (.tsv/.csv) in the database",
          "usage: norvale-fleet load DIR_OR_FILE... [--db TARGET] [--recursive] [--encoding ENC]\n"
          "                          [--max-file-size SIZE] [--any-file-name]\n"
          "Stores every result file (*.tsv, *.csv) of the folders and files named, one\n"
          "transaction per file. A file already stored for its computer stores nothing;\n"
          "a file that cannot be read whole, breaks a limit, whose rows are of another\n"
          "computer than its name says, or whose rows the database refuses is rejected\n"
          "with its line and reason, and the load goes on. A run dated more than a day\n"
          "after it was loaded is stored but named \"clock ahead\": it never counts as\n"
          "its computer's newest run by that date.\n\n" +
              kDbHelp +
              "  --recursive        also read the folders inside the folders named\n"
              "  --encoding ENC     utf-8, shift_jis or windows-1252 for every file, instead\n"
              "                     of telling each file's encoding from its bytes\n"
              "  --max-file-size SIZE  reject larger files unread (default " +
              std::to_string(kDefaultMaxFileBytes >> 20) +
              "M; K, M and G)\n"
              "  --any-file-name    also load files not named after their computer\n\n"
              "exit code: 0 all files stored or unchanged, 1 some file rejected,\n"
              "           2 wrong usage or a database failure\n",
          {"db", "encoding", "max-file-size"},
          {"recursive", "any-file-name"},
          RunLoad};
}

Command ChangesCommand() {
  return QuestionCommand(
      {"changes",
       "what changed between consecutive runs of a computer",
       "usage: norvale-fleet changes [--db TARGET] [--computer NAME] [--since DATE] [--all]\n"
       "                             [--format table|csv|tsv]\n"
       "Facts added, removed or changed (old -> new) between consecutive runs of the\n"
       "same computer: an application installed, memory changed, an address changed.\n\n",
       {"computer", "since"},
       {"all"},
       RunChanges},
      "  --computer NAME    only this computer (any case)\n"
      "  --since DATE       only runs from DATE on (YYYY-MM-DD)\n"
      "  --all              also free space and use figures, which differ on every run\n");
}

}  // namespace norvale::fleet
