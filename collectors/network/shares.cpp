#include "collectors/network/shares.h"

#include "collectors/common/wmi_access.h"
#include "core/recording.h"
#include "core/result_labels.h"

namespace norvale {

void GetShare(Context& ctx) {
  Guarded(ctx, kGroupShared, kModuleShare, [&] {
    const auto services = ConnectWmi(ctx, "\\root\\cimv2");
    ForEachWmiObject(
        *services, "select * from Win32_Share", std::nullopt, [&](platform::WmiObject& share) {
          const Value name = WmiRowValue(share.Get("Name"));
          const Value path = WmiRowValue(share.Get("Path"));
          RecordRow(ctx, std::string(kGroupShared), std::string(kItemShareResource), name, path,
                    std::string());
        });
  });
}

}  // namespace norvale
