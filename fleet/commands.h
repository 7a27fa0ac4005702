// The commands of norvale-fleet; command_table.cpp lists them in one table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fleet/command.h"
#include "fleet/query/queries.h"
#include "fleet/query/table_output.h"
#include "fleet/store/database.h"

namespace norvale::fleet {

// What the answering commands share.
extern const std::string kDbHelp;
extern const std::string kFormatHelp;  // --format and --out
std::unique_ptr<Database> OpenForQuery(const Arguments& args);

// Completes a command that answers from the database: its help (usage and
// what it shows) gains --db, `options_help`, then --format and --out and any
// `format_note`; --db, --format and --out join its options.
Command QuestionCommand(Command command, const std::string& options_help,
                        const std::string& format_note = {});
OutputFormat FormatOf(const Arguments& args);
void NoPositional(const Arguments& args);

// A sheet of a workbook, or a titled part of a command's answer.
struct NamedTable {
  std::string name;
  ResultTable table;
};

// Prints the tables in the chosen --format (titles above them when there are
// several), or writes them to --out: FILE.xlsx a workbook with a sheet each,
// FILE.csv (one table only) CSV for spreadsheets.
void EmitTables(const Arguments& args, CommandIo& io, const std::vector<NamedTable>& tables);
void EmitTable(const Arguments& args, CommandIo& io, const ResultTable& table,
               const std::string& sheet);

// The stored name of a computer given in any case; throws "no computer named".
std::string KnownComputer(Database& db, const std::string& name);
// Changes with the runs' times in ISO form; its columns of the computer and
// of the newer run's time are named so.
inline constexpr char kChangesComputerColumn[] = "computer";
inline constexpr char kChangesToColumn[] = "to";
ResultTable ChangesTable(const std::vector<FactChange>& changes);

Command LoadCommand();
Command ComputersCommand();
Command ComputerCommand();
Command SearchCommand();
Command SoftwareCommand();
Command UnseenCommand();
Command ChangesCommand();
Command ExportCommand();

}  // namespace norvale::fleet
