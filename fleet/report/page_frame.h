// What every report page has around its content: the head with the style
// sheet, the words of the table script and the script itself.
#pragma once

#include <string>
#include <string_view>

#include "fleet/report/text.h"

namespace norvale::fleet {

// Everything up to and including <body>.
void AppendPageStart(std::string& out, const ReportTexts& texts, std::string_view title,
                     std::string_view version);
// The script's words, the script and the end of the page.
void AppendPageEnd(std::string& out, const ReportTexts& texts);

}  // namespace norvale::fleet
