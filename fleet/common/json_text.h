// Stored text as JSON: in the report page's data element and in the
// statements that hand a run's rows to PostgreSQL.
#pragma once

#include <string>
#include <string_view>

namespace norvale::fleet {

// A JSON string literal (with its quotes) that is also safe inside a
// <script> element: < > & and the two JavaScript line separators are
// written as \u escapes, so no stored text can close the element.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace norvale::fleet
