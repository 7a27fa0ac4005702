#include "core/full_run.h"

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
#include "core/recording.h"
#include "core/result_labels.h"
#include "core/version.h"

namespace norvale {
namespace {

using platform::MenuItem;

constexpr MenuItem kViewItems[] = {
    MenuItem::kShowAll, MenuItem::kShowSoft,   MenuItem::kShowApp,
    MenuItem::kShowLan, MenuItem::kShowHard,   MenuItem::kShowDrive,
    MenuItem::kShowEnv, MenuItem::kShowDevice, MenuItem::kShowWmi,
};

}  // namespace

void ClearViewChecks(Context& ctx) {
  for (MenuItem item : kViewItems) ctx.os.ui.SetMenuChecked(item, false);
}

void showall(Context& ctx) {
  try {
    if (ctx.main.ResultList != nullptr) ctx.main.ResultList->ClearList();
    ClearViewChecks(ctx);
    ctx.os.ui.SetMenuChecked(MenuItem::kShowAll, true);
    ctx.main.RowIndex = 0;

    const LocalDateTime now = ctx.os.system.Now();
    ValueSet(ctx, ctx.main.ComputerName, std::string(kGroupCreate), std::string(kItemDateTime),
             now.date, now.time, VersionText(), now.date);

    // Every collector guards itself, so one failing collector never stops the
    // run. The order is the order of the result file: operating system,
    // hardware, adapters, LAN identity, applications, printers, drives,
    // environment, devices, shares, WMI, custom items.
    GetSoftware(ctx);
    GetHardware(ctx);
    GetAdapter(ctx);
    GetLan(ctx);
    GetApplication(ctx);
    GetPrinter(ctx);
    GetDriveList(ctx);
    GetEnvironment(ctx);
    GetDeviceList(ctx);
    GetShare(ctx);
    GetWMI(ctx);
    GetOtherItems(ctx);
    ctx.os.ui.SetMenuEnabled(MenuItem::kSave, true);
  } catch (const Failure& failure) {
    ctx.os.ui.ShowMessage("mMain,showall:" + failure.description(), platform::MessageIcon::kNone);
  }
}

}  // namespace norvale
