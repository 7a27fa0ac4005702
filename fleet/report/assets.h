// The style sheet and script every report page carries inside itself.
#pragma once

namespace norvale::fleet {

extern const char kReportStyle[];
extern const char kReportScript[];

}  // namespace norvale::fleet
