#include "collectors/hardware/printers.h"

#include "collectors/common/wmi_access.h"
#include "core/recording.h"
#include "core/result_labels.h"

namespace norvale {

void GetPrinter(Context& ctx) {
  Guarded(ctx, kGroupHard, kModulePrinter, [&] {
    const auto services = ConnectWmi(ctx, "\\root\\cimv2");
    ForEachWmiObject(
        *services, "select * from Win32_Printer", std::nullopt, [&](platform::WmiObject& printer) {
          const Value name = WmiRowValue(printer.Get("Name"));
          const Value port = WmiRowValue(printer.Get("PortName"));
          RecordRow(ctx, std::string(kGroupHard), std::string(kItemPrinter), name, port,
                    std::string());
        });
  });
}

}  // namespace norvale
