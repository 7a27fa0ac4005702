#include "fleet/report_command.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <future>
#include <ostream>
#include <stdexcept>

#include "core/utf.h"
#include "core/version.h"
#include "fleet/commands.h"
#include "fleet/common/timestamps.h"
#include "fleet/open_store.h"
#include "fleet/report/query.h"
#include "fleet/report/site_page.h"
#include "fleet/report_pages.h"
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

// "site.html" (any case, also .htm) is one page; anything else a folder.
bool IsSinglePage(const std::string& out) {
  const auto dot = out.find_last_of("./\\");
  if (dot == std::string::npos || out[dot] != '.') return false;
  const std::string extension = UpperAscii(out.substr(dot));
  return extension == ".HTML" || extension == ".HTM";
}

std::string Summary(const ReportData& data, double megabytes, double seconds) {
  char line[256];
  std::snprintf(line, sizeof line, " (%zu computers, %zu applications, %.1f MB in %.1f s)",
                data.computers.size(), data.applications.size(), megabytes, seconds);
  return line;
}

std::vector<FactChange> ListEveryChange(const std::string& target) {
  const auto db = OpenStoreForQuery(target);
  return ListChanges(*db, {});
}

int RunReport(const Arguments& args, CommandIo& io) {
  if (!args.positional.empty()) {
    throw std::runtime_error("unexpected argument '" + args.positional[0] + "'");
  }
  const auto language = ParseReportLanguage(args.Get("lang", "en"));
  if (!language) throw std::runtime_error("--lang is en or ja, got '" + args.Get("lang") + "'");
  const std::string now = ReferenceTime(args.Get("now"));
  const std::string out = args.Get("out", kDefaultOut);
  if (out.empty()) throw std::runtime_error("--out needs a file or folder name");

  const std::string target = args.Get("db", std::string(kDefaultTarget));
  auto db = OpenStoreForQuery(target);

  const auto start = std::chrono::steady_clock::now();
  const bool single = IsSinglePage(out);
  // The computer pages show every change; the site page those of 30 days.
  // Comparing every run takes about as long as the rest of the site's data,
  // so a folder's changes are listed on a connection of their own meanwhile.
  std::vector<FactChange> every_change;
  std::future<std::vector<FactChange>> listing;
  if (!single) listing = std::async(std::launch::async, ListEveryChange, target);
  ReportData data = GatherReportData(
      *db, now, single ? EveryChange() : [&]() -> const auto& {
        every_change = listing.get();
        return every_change;
      });
  if (listing.valid()) every_change = listing.get();
  data.version = VersionText();
  auto seconds = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  if (single) {
    const std::string page = RenderReportHtml(data, *language);
    ReplaceFileAtomically(out, page);
    io.out << "wrote " << out << Summary(data, page.size() / 1e6, seconds()) << "\n";
    return kExitOk;
  }
  const FolderSizes sizes = WriteReportFolder(*db, data, every_change, out, *language);
  io.out << "wrote " << out << "/index.html and " << sizes.pages << " computer pages"
         << Summary(data, sizes.site_bytes / 1e6, seconds()) << "; largest computer page "
         << (sizes.largest_page + 1023) / 1024 << " KB\n";
  return kExitOk;
}

}  // namespace

Command ReportCommand() {
  return {"report",
          "the whole fleet as HTML: a site page and a page per computer",
          "usage: norvale-fleet report [--db TARGET] [--out FOLDER | --out FILE.html]\n"
          "                            [--lang en|ja] [--now DATE]\n"
          "Writes self-contained HTML pages (styles, charts and script inside each\n"
          "file; nothing is fetched): site totals, charts of Windows versions, memory,\n"
          "system disk free space, CPU models and the most common applications, the\n"
          "computers not seen for 30 days, and tables of every computer, every\n"
          "application, the changes of the last 30 days and the error rows of the\n"
          "latest runs. Tables are in the page; the script sorts, filters, pages and\n"
          "downloads them as CSV.\n\n" +
              kDbHelp +
              "  --out FOLDER       FOLDER/index.html and a page per computer in\n"
              "                     FOLDER/computers/ (names safe on any file system)\n"
              "  --out FILE.html    only the site page (default norvale-fleet-report.html)\n"
              "  --lang en|ja       headings in English (default) or Japanese\n"
              "  --now DATE         the report's date, YYYY-MM-DD [HH:MM:SS] (default: now);\n"
              "                     \"not seen\" and \"changes\" count 30 days back from it\n",
          {"db", "out", "lang", "now"},
          {},
          RunReport};
}

}  // namespace norvale::fleet
