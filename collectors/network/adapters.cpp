#include "collectors/network/adapters.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "collectors/common/wmi_access.h"
#include "core/failure.h"
#include "core/number_format.h"
#include "core/recording.h"
#include "core/result_labels.h"
#include "core/utf.h"

namespace norvale {
namespace {

// Return immediately, forward only: each adapter is read once, in order.
constexpr std::int32_t kAdapterQueryFlags =
    platform::kWmiReturnImmediately | platform::kWmiForwardOnly;

// The eight facts of one adapter, in row order.
enum Fact { kName, kIp, kSubnet, kGateway, kDhcp, kWins1, kWins2, kMac, kFactCount };

constexpr LabelPair kLabels[kFactCount] = {
    kLabelAdapterName, kLabelIpAddress,   kLabelSubnet,        kLabelGateway,
    kLabelDhcpServer,  kLabelPrimaryWins, kLabelSecondaryWins, kLabelMacAddress,
};

// List properties whose first entry is shown.
constexpr std::pair<const char*, Fact> kFirstEntryOf[] = {
    {"IpAddress", kIp}, {"IPSubnet", kSubnet}, {"DefaultIPGateway", kGateway}};
// Single addresses.
constexpr std::pair<const char*, Fact> kAddressOf[] = {
    {"DhcpServer", kDhcp}, {"WINSPrimaryServer", kWins1}, {"WINSSecondaryServer", kWins2}};

// Caption "[00000007] Intel(R) Ethernet" names the adapter after its index.
constexpr size_t kIndexPrefixLength = 11;

Failure InvalidUseOfNull() { return {94, "Invalid use of Null"}; }

// Text a row cannot do without: null is an error here.
std::string RequiredText(Context& ctx, const WmiValue& value) {
  auto text = WmiText(ctx, value);
  if (!text) throw InvalidUseOfNull();
  return std::move(*text);
}

std::string AdapterName(Context& ctx, const WmiValue& caption_value) {
  const std::string caption = RequiredText(ctx, caption_value);
  if (caption.empty() || caption[0] != '[') return caption;
  const std::u32string chars = Utf8ToCodePoints(caption);
  if (chars.size() < kIndexPrefixLength) throw Failure::InvalidCall();
  return CodePointsToUtf8(std::u32string_view(chars).substr(kIndexPrefixLength));
}

// One part of an address with at least three digits.
std::string ThreeDigits(std::string_view part) {
  const auto number = ParseNumber(part);
  // Anything but a number is left as it is; Windows never reports one.
  if (!number) return std::string(part);
  std::string digits = FormatFixed(*number, 0, ".");
  const bool negative = !digits.empty() && digits[0] == '-';
  if (negative) digits.erase(0, 1);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return negative ? "-" + digits : digits;
}

}  // namespace

std::string FixedWidthAddress(Context& ctx, std::string_view address) {
  if (address.find('.') == std::string_view::npos) return std::string(address);
  try {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
      const size_t dot = address.find('.', start);
      parts.push_back(address.substr(start, dot - start));
      if (dot == std::string_view::npos) break;
      start = dot + 1;
    }
    if (parts.size() < 4) throw Failure::SubscriptOutOfRange();
    std::string result;
    for (size_t i = 0; i < 4; ++i) {
      if (i > 0) result += '.';
      result += ThreeDigits(parts[i]);
    }
    return result == "000.000.000.000" ? kContentsNoAddress : result;
  } catch (const Failure& failure) {
    ErrorRow(ctx, kGroupLan, kModuleIpConvert, failure);
    return {};
  }
}

AdapterNames GetAdapter(Context& ctx) {
  AdapterNames names;
  Guarded(ctx, kGroupLan, kModuleAdapter, [&] {
    const auto services = ConnectWmi(ctx, "\\root\\CIMV2");
    int number = 1;
    ForEachWmiObject(
        *services, "Select * from Win32_NetworkAdapterConfiguration where IPEnabled=TRUE",
        kAdapterQueryFlags, [&](platform::WmiObject& adapter) {
          std::array<std::string, kFactCount> facts;

          // The last adapter's host name is the computer's.
          const WmiValue host = adapter.Get("DNSHostName");
          names.host_name = IsNull(host) ? std::string() : RequiredText(ctx, host);

          const WmiValue dns = adapter.Get("DNSServerSearchOrder");
          if (!IsNull(dns)) {
            const std::vector<std::string> servers = WmiTextArray(ctx, dns);
            if (servers.size() > 0) names.primary_dns = FixedWidthAddress(ctx, servers[0]);
            if (servers.size() > 1) names.secondary_dns = FixedWidthAddress(ctx, servers[1]);
          }

          facts[kName] = AdapterName(ctx, adapter.Get("Caption"));
          facts[kMac] = RequiredText(ctx, adapter.Get("MACAddress"));

          // Only the first entry: an IPv6 address listed after the IPv4 one never shows.
          for (const auto& [property, fact] : kFirstEntryOf) {
            const WmiValue list = adapter.Get(property);
            if (IsNull(list)) continue;
            const std::vector<std::string> entries = WmiTextArray(ctx, list);
            if (!entries.empty()) facts[fact] = FixedWidthAddress(ctx, entries[0]);
          }
          for (const auto& [property, fact] : kAddressOf) {
            const WmiValue address = adapter.Get(property);
            if (!IsNull(address)) facts[fact] = FixedWidthAddress(ctx, RequiredText(ctx, address));
          }

          const std::string item =
              number == 1 ? kItemAdapter : kItemAdapter + std::to_string(number);
          for (int fact = 0; fact < kFactCount; ++fact) {
            RecordRow(ctx, std::string(kGroupLan), item, std::string(ctx.Label(kLabels[fact])),
                      facts[fact], std::string());
          }
          ++number;
        });
  });
  return names;
}

}  // namespace norvale
