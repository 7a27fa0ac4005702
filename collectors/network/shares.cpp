#include "collectors/network/shares.h"

#include "collectors/common/wmi_access.h"
#include "core/result_labels.h"

namespace norvale {

void GetShare(Context& ctx) {
  RecordPropertyPairs(ctx, kGroupShared, kModuleShare, kItemShareResource,
                      "select * from Win32_Share", "Name", "Path");
}

}  // namespace norvale
