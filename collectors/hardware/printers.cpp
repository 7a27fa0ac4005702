#include "collectors/hardware/printers.h"

#include "collectors/common/wmi_access.h"
#include "core/result_labels.h"

namespace norvale {

void GetPrinter(Context& ctx) {
  RecordPropertyPairs(ctx, kGroupHard, kModulePrinter, kItemPrinter, "select * from Win32_Printer",
                      "Name", "PortName");
}

}  // namespace norvale
