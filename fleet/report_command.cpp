#include "fleet/report_command.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <ostream>
#include <stdexcept>

#include "core/version.h"
#include "fleet/commands.h"
#include "fleet/common/timestamps.h"
#include "fleet/report/html.h"
#include "fleet/report/query.h"
#include "fleet/store/schema.h"
#include "fleet/system/clock.h"
#include "fleet/system/files.h"

namespace norvale::fleet {
namespace {

constexpr const char* kDefaultOut = "norvale-fleet-report.html";

std::string LocalNow() {
  const std::int64_t now = std::time(nullptr);
  return UtcTimestamp(now + LocalUtcOffset(now));
}

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS".
std::string ReferenceTime(const std::string& text) {
  if (text.empty()) return LocalNow();
  const std::string full = text.size() == 10 ? text + " 00:00:00" : text;
  if (full.size() != 19 || !DayNumber(full) || full[10] != ' ' || full[13] != ':' ||
      full[16] != ':') {
    throw std::runtime_error("--now wants YYYY-MM-DD or \"YYYY-MM-DD HH:MM:SS\", got '" + text +
                             "'");
  }
  return full;
}

int RunReport(const Arguments& args, CommandIo& io) {
  if (!args.positional.empty()) {
    throw std::runtime_error("unexpected argument '" + args.positional[0] + "'");
  }
  const auto language = ParseReportLanguage(args.Get("lang", "en"));
  if (!language) throw std::runtime_error("--lang is en or ja, got '" + args.Get("lang") + "'");
  const std::string now = ReferenceTime(args.Get("now"));
  const std::string out = args.Get("out", kDefaultOut);
  if (out.empty()) throw std::runtime_error("--out needs a file name");

  auto db = OpenStoreForQuery(args.Get("db", std::string(kDefaultTarget)));

  const auto start = std::chrono::steady_clock::now();
  ReportData data = GatherReportData(*db, now);
  data.version = VersionText();
  const std::string page = RenderReportHtml(data, *language);
  ReplaceFileAtomically(out, page);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char line[256];
  std::snprintf(line, sizeof line, " (%zu computers, %zu applications, %.1f MB in %.1f s)\n",
                data.computers.size(), data.applications.size(), page.size() / 1e6, seconds);
  io.out << "wrote " << out << line;
  return kExitOk;
}

}  // namespace

Command ReportCommand() {
  return {"report",
          "the whole fleet as one HTML page",
          "usage: norvale-fleet report [--db TARGET] [--out FILE.html] [--lang en|ja]\n"
          "                            [--now DATE]\n"
          "Writes one self-contained HTML page (styles, charts and script inside the\n"
          "file; nothing is fetched): site totals, charts of Windows versions, memory,\n"
          "system disk free space, CPU models and the most common applications, and\n"
          "tables of every computer, every application, the changes of the last 30\n"
          "days and the error rows of the latest runs.\n\n"
          "  --db TARGET        an SQLite file (default norvale-fleet.sqlite in the current\n"
          "                     folder) or a PostgreSQL URI, postgresql://user@host/dbname\n"
          "  --out FILE.html    where to write the page (default norvale-fleet-report.html)\n"
          "  --lang en|ja       headings in English (default) or Japanese\n"
          "  --now DATE         the report's date, YYYY-MM-DD [HH:MM:SS] (default: now);\n"
          "                     \"not seen\" and \"changes\" count 30 days back from it\n",
          {"db", "out", "lang", "now"},
          {},
          RunReport};
}

}  // namespace norvale::fleet
