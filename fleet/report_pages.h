// norvale-fleet report --out FOLDER: the site page and a page per computer.
#pragma once

#include <cstddef>
#include <string>

#include "fleet/query/queries.h"
#include "fleet/report/data.h"
#include "fleet/report/text.h"
#include "fleet/store/database.h"

namespace norvale::fleet {

struct FolderSizes {
  std::size_t pages = 0;         // computer pages written
  std::size_t site_bytes = 0;    // index.html
  std::size_t largest_page = 0;  // the largest computer page, bytes
};

// Writes FOLDER/index.html and FOLDER/computers/<file>.html, each through
// ReplaceFileAtomically. Sets every computer's page address in `data` first,
// so the site page links to them.
// `every_change` is ListChanges(db, {}): each page's history.
FolderSizes WriteReportFolder(Database& db, ReportData& data,
                              const std::vector<FactChange>& every_change,
                              const std::string& folder, ReportLanguage language);

}  // namespace norvale::fleet
