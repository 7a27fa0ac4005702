#include "collectors/software/environment.h"

#include "core/recording.h"
#include "core/result_labels.h"

namespace norvale {
namespace {

constexpr size_t kMaxEntries = 50;

}  // namespace

void GetEnvironment(Context& ctx) {
  Guarded(ctx, kGroupEnvironmental, kModuleEnvironment, [&] {
    const std::vector<std::string> block = ctx.os.system.EnvironmentBlock();
    for (size_t n = 0; n < block.size() && n < kMaxEntries; ++n) {
      const std::string& entry = block[n];
      if (entry.empty()) break;
      const auto equals = entry.find('=');
      if (equals == std::string::npos) continue;
      // The value is everything after the name's "=": values such as
      // JAVA_OPTS=-Da=b keep their own "=" signs.
      RecordRow(ctx, Text(kGroupEnvironmental), entry.substr(0, equals), entry.substr(equals + 1),
                Text(""), Text(""));
    }
  });
}

}  // namespace norvale
