#include "tests/fakes/fake_wmi.h"

#include "core/utf.h"

namespace norvale::fakes {
namespace {

// Counts itself in and out of the fake's books.
class Counted {
 public:
  explicit Counted(FakeWmi& wmi) : wmi_(wmi) { ++wmi_.handed_out; }
  ~Counted() { ++wmi_.released; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;

 protected:
  FakeWmi& wmi_;
};

class Object : public platform::WmiObject, Counted {
 public:
  Object(FakeWmi& wmi, const FakeWmiObject& properties) : Counted(wmi), properties_(properties) {}
  platform::WmiValue Get(std::string_view property) override {
    auto it = properties_.find(std::string(property));
    if (it == properties_.end()) throw Failure(-2147217406, "Not found");
    return it->second;
  }

 private:
  FakeWmiObject properties_;
};

class Objects : public platform::WmiObjects, Counted {
 public:
  Objects(FakeWmi& wmi, const FakeWmi::Answer& answer) : Counted(wmi), answer_(answer) {}
  std::unique_ptr<platform::WmiObject> Next() override {
    if (answer_.fail_after && next_ == *answer_.fail_after) {
      throw Failure(-2147217405, "Access denied");
    }
    if (next_ >= answer_.objects.size()) return nullptr;
    return std::make_unique<Object>(wmi_, answer_.objects[next_++]);
  }

 private:
  FakeWmi::Answer answer_;
  size_t next_ = 0;
};

class Services : public platform::WmiServices, Counted {
 public:
  Services(FakeWmi& wmi, std::string namespace_path)
      : Counted(wmi), namespace_(std::move(namespace_path)) {}
  std::unique_ptr<platform::WmiObjects> ExecQuery(std::string_view wql,
                                                  std::optional<std::int32_t> flags) override {
    wmi_.queries.push_back({namespace_, std::string(wql), flags});
    const auto it = wmi_.answers.find(std::string(wql));
    if (it == wmi_.answers.end()) return std::make_unique<Objects>(wmi_, FakeWmi::Answer{});
    if (it->second.refused) throw *it->second.refused;
    return std::make_unique<Objects>(wmi_, it->second);
  }

 private:
  std::string namespace_;
};

class Policy : public platform::LsaPolicy {
 public:
  explicit Policy(FakeLocalSecurity& lsa) : lsa_(lsa) { ++lsa_.policies_opened; }
  ~Policy() override { ++lsa_.policies_closed; }
  std::uint32_t QueryPrimaryDomain(platform::PrimaryDomainInfo& info) override {
    ++lsa_.queries;
    if (lsa_.query_status == 0) info = lsa_.domain;
    return lsa_.query_status;
  }

 private:
  FakeLocalSecurity& lsa_;
};

}  // namespace

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  return UpperAscii(a) < UpperAscii(b);
}

std::unique_ptr<platform::WmiServices> FakeWmi::Connect(std::string_view namespace_path) {
  connections.emplace_back(namespace_path);
  if (unreachable) throw *unreachable;
  return std::make_unique<Services>(*this, std::string(namespace_path));
}

std::uint32_t FakeLocalSecurity::OpenPolicy(std::unique_ptr<platform::LsaPolicy>& policy) {
  if (open_status != 0) return open_status;
  policy = std::make_unique<Policy>(*this);
  return 0;
}

std::string FakeLocalSecurity::StatusText(std::uint32_t status) {
  auto it = status_texts.find(status);
  return it == status_texts.end() ? std::string() : it->second;
}

}  // namespace norvale::fakes
