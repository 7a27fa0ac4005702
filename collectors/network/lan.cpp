#include "collectors/network/lan.h"

#include <cstdio>
#include <memory>

#include "collectors/common/registry_access.h"
#include "core/failure.h"
#include "core/recording.h"
#include "core/result_labels.h"
#include "core/ui_texts.h"
#include "core/utf.h"

namespace norvale {
namespace {

// Row order of the collector.
enum Row { kDomain, kWorkGroup, kUser, kComputer, kHost, kDns1, kDns2, kComment, kRowCount };

constexpr LabelPair kLabels[kRowCount] = {
    kLabelDomain,   kLabelWorkGroup,  kLabelUserName,     kLabelComputerName,
    kLabelHostName, kLabelPrimaryDns, kLabelSecondaryDns, kLabelServerComment,
};

void Record(Context& ctx, Row row, const std::string& contents) {
  RecordRow(ctx, std::string(kGroupLan), std::string(kItemLan),
            std::string(ctx.Label(kLabels[row])), contents, std::string());
}

std::string ServerComment(Context& ctx) {
  const Value comment = ReadRegValue(
      ctx, RegRoot::kLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\lanmanserver\\parameters",
      "srvcomment", RegValueKind::kText, std::string());
  const auto* text = std::get_if<std::string>(&comment);
  return text ? TrimSpaces(*text) : std::string();
}

}  // namespace

std::string LsaNameText(std::u16string_view name) {
  std::string bytes;
  bytes.reserve(name.size() * 2);
  for (char16_t unit : name) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return Utf16LeToUtf8(bytes);
}

std::string GetUserNameText(Context& ctx) {
  auto name = ctx.os.security.UserName();
  // Without a name there is nothing to cut the buffer at.
  if (!name) throw Failure::InvalidCall();
  return std::move(*name);
}

std::string LsaOpenFailedMessage(Context& ctx, std::uint32_t status) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(status));
  std::string text = TrimSpaces(ctx.os.security.StatusText(status));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::string message = ctx.Label(kMessageLsaOpenFailed);
  message += number;
  if (!text.empty()) message += ": " + text;
  return message;
}

void GetLan(Context& ctx, const AdapterNames& adapter) {
  Guarded(ctx, kGroupLan, kModuleLan, [&] {
    std::unique_ptr<platform::LsaPolicy> policy;
    const std::uint32_t open_status = ctx.os.security.OpenPolicy(policy);
    if (open_status != 0 || !policy) {
      ctx.os.ui.ShowMessage(LsaOpenFailedMessage(ctx, open_status), platform::MessageIcon::kNone);
      return;
    }

    platform::PrimaryDomainInfo info;
    if (policy->QueryPrimaryDomain(info) == 0) {
      // A domain SID comes only with domain membership.
      const std::string name = LsaNameText(info.name);
      Record(ctx, kDomain, info.has_sid ? name : std::string());
      Record(ctx, kWorkGroup, info.has_sid ? std::string() : name);
    }
    policy.reset();  // the handle is closed whatever the query gave

    Record(ctx, kUser, GetUserNameText(ctx));
    Record(ctx, kComputer, GetComputerNameText(ctx));
    Record(ctx, kHost, adapter.host_name);
    Record(ctx, kDns1, adapter.primary_dns);
    Record(ctx, kDns2, adapter.secondary_dns);
    Record(ctx, kComment, ServerComment(ctx));
  });
}

}  // namespace norvale
