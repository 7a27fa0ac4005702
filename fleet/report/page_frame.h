// What every report page has around its content: the head with the style
// sheet, the words of the table script and the script itself.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "fleet/report/text.h"

namespace norvale::fleet {

// Everything up to and including <body>.
void AppendPageStart(std::string& out, const ReportTexts& texts, std::string_view title,
                     std::string_view version);
// One labelled value of a page's header line; no label shows the value alone.
struct HeaderValue {
  const char* label;
  const char* id;
  std::string_view value;
};

// The header of a page in a folder below the site page: the way back to it,
// the page's name as its heading (with the id `name_id`) and a line of values.
void AppendSubpageHeader(std::string& out, const ReportTexts& texts, std::string_view name_id,
                         std::string_view name, std::initializer_list<HeaderValue> values);

// The script's words, the script and the end of the page.
void AppendPageEnd(std::string& out, const ReportTexts& texts);

}  // namespace norvale::fleet
