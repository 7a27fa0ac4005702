// Network adapters with IP enabled, and the host name and DNS servers they
// hand on to the LAN identity collector.
#pragma once

#include <string>
#include <string_view>

#include "core/context.h"

namespace norvale {

// What the adapters tell about the computer's own names on the network.
struct AdapterNames {
  std::string host_name;      // of the last adapter
  std::string primary_dns;    // of the last adapter that lists one, in row form
  std::string secondary_dns;  // likewise
};

// Records eight rows per adapter with IP enabled. Returns the names found,
// as far as the walk got.
AdapterNames GetAdapter(Context& ctx);

// A dotted IPv4 address in the fixed-width form the rows show
// (192.168.1.10 -> 192.168.001.010, 0.0.0.0 -> "-"). Text without a dot comes
// back unchanged. An address of fewer than four parts records its own error
// row and gives empty text.
std::string FixedWidthAddress(Context& ctx, std::string_view address);

}  // namespace norvale
