#include "app/collector_table.h"

#include "collectors/hardware/devices.h"
#include "collectors/hardware/drives.h"
#include "collectors/hardware/hardware_summary.h"
#include "collectors/hardware/printers.h"
#include "collectors/network/adapters.h"
#include "collectors/network/lan.h"
#include "collectors/network/shares.h"
#include "collectors/software/applications.h"
#include "collectors/software/environment.h"
#include "collectors/software/other_items.h"
#include "collectors/software/software.h"
#include "collectors/wmi/wmi_inventory.h"

namespace norvale {
namespace {

using platform::MenuItem;

// The LAN identity shows the host name and DNS servers the adapters report,
// so the two always run together, adapters first.
void GetAdaptersAndLan(Context& ctx) { GetLan(ctx, GetAdapter(ctx)); }

constexpr CollectorEntry kCollectors[] = {
    {"Operating system", MenuItem::kShowSoft, GetSoftware},
    {"Hardware", MenuItem::kShowHard, GetHardware},
    {"Network", MenuItem::kShowLan, GetAdaptersAndLan},
    {"Applications", MenuItem::kShowApp, GetApplication},
    {"Printers", std::nullopt, GetPrinter},
    {"Drives", MenuItem::kShowDrive, GetDriveList},
    {"Environment", MenuItem::kShowEnv, GetEnvironment},
    {"Devices", MenuItem::kShowDevice, GetDeviceList},
    {"Shares", std::nullopt, GetShare},
    {"WMI", MenuItem::kShowWmi, GetWMI},
    {"Administrator items", std::nullopt, GetOtherItems},
};

}  // namespace

std::span<const CollectorEntry> CollectorTable() { return kCollectors; }

}  // namespace norvale
