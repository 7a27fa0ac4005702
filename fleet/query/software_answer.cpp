// The software question: applications, their versions in version order and
// their computers.
#include <algorithm>
#include <map>
#include <set>

#include "fleet/query/answer_rows.h"
#include "fleet/query/answers.h"
#include "fleet/query/queries.h"

namespace norvale::fleet {

namespace {

// "1.10.2" as its number and text runs, compared run by run.
std::vector<std::pair<bool, std::string>> VersionParts(const std::string& v) {
  std::vector<std::pair<bool, std::string>> parts;
  for (const char c : v) {
    const bool digit = c >= '0' && c <= '9';
    if (parts.empty() || parts.back().first != digit) parts.push_back({digit, ""});
    parts.back().second += c;
  }
  return parts;
}

}  // namespace

bool VersionLess(const std::string& a, const std::string& b) {
  const auto pa = VersionParts(a), pb = VersionParts(b);
  for (std::size_t i = 0; i < pa.size() && i < pb.size(); ++i) {
    if (pa[i] == pb[i]) continue;
    if (pa[i].first && pb[i].first) {
      // Numbers by value: without their leading zeros, the longer is larger.
      std::string x = pa[i].second, y = pb[i].second;
      x.erase(0, std::min(x.find_first_not_of('0'), x.size()));
      y.erase(0, std::min(y.find_first_not_of('0'), y.size()));
      if (x.size() != y.size()) return x.size() < y.size();
      if (x != y) return x < y;
      continue;
    }
    if (pa[i].first != pb[i].first) return pa[i].first;  // numbers before words
    return pa[i].second < pb[i].second;
  }
  return pa.size() < pb.size();
}

namespace {

struct Install {
  std::string name, version, publisher, computer;
};

// Every install the question asks about, by name (in any case), version,
// publisher and computer.
std::vector<Install> ReadInstalls(Database& db, const SoftwareQuestion& question) {
  std::string sql = "SELECT name, version, publisher, computer FROM latest_applications";
  std::vector<Param> params;
  std::vector<std::string> where;
  if (!question.name_pattern.empty()) {
    where.push_back("LOWER(name) LIKE LOWER(?) ESCAPE '\\'");
    params.push_back(LikePattern(question.name_pattern));
  }
  if (!question.computer.empty()) {
    where.push_back("computer = ?");
    params.push_back(question.computer);
  }
  for (std::size_t i = 0; i < where.size(); ++i) sql += (i ? " AND " : " WHERE ") + where[i];
  std::vector<Install> installs;
  db.ForEachRow(sql, params, [&](const Row& row) {
    installs.push_back({Text(row[0]), Text(row[1]), Text(row[2]), Text(row[3])});
  });
  std::sort(installs.begin(), installs.end(), [](const Install& a, const Install& b) {
    if (a.name != b.name)
      return Lower(a.name) < Lower(b.name) || (Lower(a.name) == Lower(b.name) && a.name < b.name);
    if (a.version != b.version) return VersionLess(a.version, b.version);
    if (a.publisher != b.publisher) return a.publisher < b.publisher;
    return a.computer < b.computer;
  });
  return installs;
}

ResultTable InstallsTable(const std::vector<Install>& installs) {
  const CellType kT = CellType::kText;
  ResultTable table{{"name", "version", "publisher", "computer"}, {kT, kT, kT, kT}, {}};
  for (const Install& i : installs)
    table.rows.push_back({i.name, i.version, i.publisher, i.computer});
  return table;
}

// One row per name, version and publisher, with its computers counted.
ResultTable VersionsTable(const std::vector<Install>& installs) {
  const CellType kT = CellType::kText, kN = CellType::kNumber;
  ResultTable table{{"name", "version", "publisher", "computers"}, {kT, kT, kT, kN}, {}};
  std::set<std::string> seen;
  for (const Install& i : installs) {
    auto& rows = table.rows;
    if (rows.empty() || rows.back()[0] != i.name || rows.back()[1] != i.version ||
        rows.back()[2] != i.publisher) {
      rows.push_back({i.name, i.version, i.publisher, "0"});
      seen.clear();
    }
    if (seen.insert(i.computer).second) rows.back()[3] = std::to_string(seen.size());
  }
  return table;
}

// One row per application: on how many computers, its versions in order.
ResultTable ApplicationsTable(const std::vector<Install>& installs) {
  const CellType kT = CellType::kText, kN = CellType::kNumber;
  struct Application {
    std::set<std::string> computers;
    std::vector<std::string> versions;
    std::set<std::string> publishers;
  };
  std::map<std::string, Application> by_name;
  for (const Install& i : installs) {
    Application& app = by_name[i.name];
    app.computers.insert(i.computer);
    if (app.versions.empty() || app.versions.back() != i.version) app.versions.push_back(i.version);
    if (!i.publisher.empty()) app.publishers.insert(i.publisher);
  }
  std::vector<std::pair<std::string, const Application*>> order;
  for (const auto& [name, app] : by_name) order.push_back({name, &app});
  std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    return a.second->computers.size() > b.second->computers.size();
  });
  ResultTable table{{"name", "computers", "versions", "publisher"}, {kT, kN, kT, kT}, {}};
  for (const auto& [name, app] : order) {
    std::string versions, publishers;
    for (const std::string& v : app->versions) versions += (versions.empty() ? "" : ", ") + v;
    for (const std::string& p : app->publishers) publishers += (publishers.empty() ? "" : ", ") + p;
    table.rows.push_back({name, std::to_string(app->computers.size()), versions, publishers});
  }
  return table;
}

}  // namespace

ResultTable AnswerSoftware(Database& db, const SoftwareQuestion& question) {
  const std::vector<Install> installs = ReadInstalls(db, question);
  if (!question.computer.empty() || question.installs) return InstallsTable(installs);
  if (question.versions) return VersionsTable(installs);
  return ApplicationsTable(installs);
}

}  // namespace norvale::fleet
