#include "collectors/network/shares.h"

#include "collectors/wmi/wmi_access.h"
#include "core/recording.h"

namespace norvale {

void GetShare(Context& ctx) {
  Guarded(ctx, "Shared", "mShare", [&] {
    const auto services = ConnectWmi(ctx, "\\root\\cimv2");
    ForEachWmiObject(
        *services, "select * from Win32_Share", std::nullopt, [&](platform::WmiObject& share) {
          const Value name = WmiRowValue(share.Get("Name"));
          const Value path = WmiRowValue(share.Get("Path"));
          RecordRow(ctx, std::string("Shared"), std::string("Resource"), name, path, std::string());
        });
  });
}

}  // namespace norvale
