// WMI and the local security authority in memory: queries answered with
// objects a test builds, and counts of every object handed out and released.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "platform/local_security.h"
#include "platform/wmi.h"

namespace norvale::fakes {

// Property names compare without regard to case, as in WMI.
struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

using FakeWmiObject = std::map<std::string, platform::WmiValue, NoCaseLess>;

class FakeWmi : public platform::Wmi {
 public:
  struct Query {
    std::string namespace_path;
    std::string wql;
    std::optional<std::int32_t> flags;
  };
  struct Answer {
    std::vector<FakeWmiObject> objects;
    std::optional<Failure> refused;    // ExecQuery throws this
    std::optional<size_t> fail_after;  // Next throws after this many objects
  };

  // Query text (exact) -> answer. A query nobody answered yields no object,
  // as on a machine without that class; tests check `queries` for the texts.
  std::map<std::string, Answer> answers;
  std::optional<Failure> unreachable;  // Connect throws this
  std::vector<std::string> connections;
  std::vector<Query> queries;

  // Every services, result set and object handed out, and how many went.
  int handed_out = 0;
  int released = 0;
  int Live() const { return handed_out - released; }

  void Set(const std::string& wql, std::vector<FakeWmiObject> objects) {
    answers[wql].objects = std::move(objects);
  }

  std::unique_ptr<platform::WmiServices> Connect(std::string_view namespace_path) override;
};

class FakeLocalSecurity : public platform::LocalSecurity {
 public:
  std::uint32_t open_status = 0;
  std::uint32_t query_status = 0;
  platform::PrimaryDomainInfo domain{u"WORKGROUP", false};
  std::optional<std::string> user_name = "admin";
  std::map<std::uint32_t, std::string> status_texts{{0xC0000022u, "Access is denied."}};

  int policies_opened = 0;
  int policies_closed = 0;
  int queries = 0;

  std::uint32_t OpenPolicy(std::unique_ptr<platform::LsaPolicy>& policy) override;
  std::string StatusText(std::uint32_t status) override;
  std::optional<std::string> UserName() override { return user_name; }
};

}  // namespace norvale::fakes
