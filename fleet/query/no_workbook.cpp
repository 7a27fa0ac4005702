// The workbook writer of builds without libxlsxwriter (the Windows build,
// until the library is built for it): it refuses, saying what works instead.
#include <stdexcept>

#include "fleet/query/workbook.h"

namespace norvale::fleet {

namespace {
constexpr const char* kNoWorkbooks =
    ": this build of norvale-fleet writes no workbooks; --out FILE.csv writes a file for "
    "spreadsheets instead";
}  // namespace

std::vector<std::string> WriteWorkbook(const std::string& path,
                                       const std::vector<WorkbookSheet>& /*sheets*/) {
  throw std::runtime_error("cannot write " + path + kNoWorkbooks);
}

}  // namespace norvale::fleet
