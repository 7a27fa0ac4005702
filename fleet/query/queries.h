// Questions across the fleet, answered from the latest runs. Each returns
// plain structs so the command line and the report share them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fleet/store/database.h"

namespace norvale::fleet {

struct ComputerSummary {
  std::string computer;
  std::string run_date, run_time;
  std::string seen_at;  // when the newest run counts as seen ("YYYY-MM-DD HH:MM:SS")
  int error_count = 0;  // its error rows
  std::int64_t run_id = 0;
  std::string windows;
  std::string cpu;
  std::string processors;
  std::string memory_mb;
  std::string disk_total_gb, disk_free_gb;
  std::string ip, mac;  // the first adapter's
  std::string domain;   // the domain, or the workgroup outside one
  std::string user;
  // The header date and time of the latest run whose clock was ahead and that
  // is the newest or claims to be newer than it; empty when there is none.
  std::string clock_ahead;
  std::string clock_ahead_loaded_at;  // when that run was loaded
};

// One per computer, from its newest run, sorted by computer name. English
// and Japanese runs fill the same fields.
std::vector<ComputerSummary> ListComputers(Database& db);

struct SoftwareEntry {
  std::string name, version, publisher;
  int computer_count = 0;
  std::vector<std::string> computers;  // sorted
};

struct SoftwareFilter {
  std::string name_pattern;  // "*" and "?" wildcards; without them a part of the name; any case
};

// Every application of the newest runs, one entry per name, version and publisher.
std::vector<SoftwareEntry> ListSoftware(Database& db, const SoftwareFilter& filter);

struct FactChange {
  std::string computer;
  std::string from_date, from_time;  // the older run's header texts
  std::string to_date, to_time;      // the newer run's
  std::string change;                // "added", "removed" or "changed"
  std::string category, item, subitem;
  std::string old_value, new_value;  // contents, with the unit after a space where there is one
  std::string to_at;  // the newer run's time as stored ("YYYY-MM-DD HH:MM:SS"; when loaded if
                      // its header time is not recognised)
};

struct ChangeFilter {
  std::string computer;           // empty: every computer
  std::string since;              // "YYYY-MM-DD[ HH:MM:SS]": newer runs from then on; empty: all
  bool include_volatile = false;  // free space and use figures, which differ on every run
};

// Facts added, removed or changed between consecutive runs of each computer.
std::vector<FactChange> ListChanges(Database& db, const ChangeFilter& filter);

// "Chrome*" -> a LIKE pattern with "\" as its escape character.
std::string LikePattern(const std::string& pattern);

}  // namespace norvale::fleet
