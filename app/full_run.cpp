#include "app/full_run.h"

#include "core/recording.h"
#include "core/result_labels.h"
#include "core/ui_texts.h"
#include "core/version.h"

namespace norvale {
namespace {

using platform::MenuItem;

// A new run: an empty list, the check mark on `checked` alone, rows from 0.
void StartRun(Context& ctx, MenuItem checked) {
  if (ctx.main.rows != nullptr) ctx.main.rows->Restart();
  ctx.os.ui.SetMenuChecked(MenuItem::kShowAll, false);
  for (const CollectorEntry& entry : CollectorTable()) {
    if (entry.view_item) ctx.os.ui.SetMenuChecked(*entry.view_item, false);
  }
  ctx.os.ui.SetMenuChecked(checked, true);
  ctx.main.next_row = 0;
}

}  // namespace

void RunCategory(Context& ctx, const CollectorEntry& entry) {
  if (!entry.view_item) return;
  StartRun(ctx, *entry.view_item);
  entry.collect(ctx);
}

void RunFullCollection(Context& ctx) {
  try {
    StartRun(ctx, MenuItem::kShowAll);

    const LocalDateTime now = ctx.os.system.Now();
    RecordValues(ctx, ctx.main.computer_name, std::string(kGroupCreate), std::string(kItemDateTime),
                 now.date, now.time, VersionText(), now.date);

    // Every collector guards itself, so one failing collector never stops the
    // run.
    for (const CollectorEntry& entry : CollectorTable()) entry.collect(ctx);
    ctx.os.ui.SetMenuEnabled(MenuItem::kSave, true);
  } catch (const Failure& failure) {
    ctx.os.ui.ShowMessage(kMessageFullRunFailed + failure.description(),
                          platform::MessageIcon::kNone);
  }
}

}  // namespace norvale
