// A page per application: every computer that has it, each with the version
// it has, as rows in the file, so the site page's question "which PCs have
// this, in which version" has its answer without a script.
#pragma once

#include <string>

#include "fleet/report/data.h"
#include "fleet/report/text.h"

namespace norvale::fleet {

// The folder of the application pages, beside the site page.
inline constexpr const char* kApplicationPagesFolder = "applications";

// The page lives in a folder below the site page, as the computer pages do.
std::string RenderApplicationPage(const ReportApplication& application, const ReportData& data,
                                  ReportLanguage language);

}  // namespace norvale::fleet
