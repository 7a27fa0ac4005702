// A run's rows go in statements of several rows each, the last taking what
// is left: every row must arrive once, with its own values, whatever the
// count, through both ways of storing a run.
#include <gtest/gtest.h>

#include "fleet/store/schema.h"
#include "tests/fleet/store_fixture.h"

namespace norvale::fleet::testing {
namespace {

class FleetStoreRows : public FleetStore {
 protected:
  // Lines 1..n: application k named "App k", version "k.0".
  static std::vector<Fact> Applications(int n) {
    std::vector<Fact> facts;
    for (int k = 1; k <= n; ++k) {
      facts.push_back(Fact{k, "Soft", "Application", "App " + std::to_string(k),
                           std::to_string(k) + ".0", k % 2 ? "Acme" : ""});
    }
    return facts;
  }

  static RunRecord RunOf(const std::string& computer, int facts) {
    return RunRecord{.computer = computer,
                     .run_date = "2026-12-01",
                     .run_time = "9:00:00",
                     .run_at = "2026-12-01 09:00:00",
                     .norvale_version = "1.3.3",
                     .source_file = computer + ".tsv",
                     .file_sha256 = "hash-" + computer,
                     .file_mtime = "",
                     .loaded_at = "2026-12-09 10:00:00",
                     .row_count = facts,
                     .error_count = 0,
                     .encoding = "utf-8",
                     .seen_at = "2026-12-01 09:00:00",
                     .clock_ahead = false};
  }

  // "line name version publisher" of each stored application, in line order.
  std::vector<std::string> StoredApplications(const std::string& computer) {
    std::vector<std::string> out;
    for (const Row& row :
         db_->Query("SELECT a.line, a.name, a.version, a.publisher, f.contents FROM applications a"
                    " JOIN runs r ON r.run_id = a.run_id JOIN facts f ON f.run_id = a.run_id"
                    " AND f.line = a.line WHERE r.computer = ? ORDER BY a.line",
                    {computer})) {
      out.push_back(*row[0] + " " + *row[1] + " " + *row[2] + " " + row[3].value_or("-") + " " +
                    *row[4]);
    }
    return out;
  }
};

TEST_P(FleetStoreRows, EveryRowOnceWithItsValuesWhateverTheCount) {
  EnsureSchema(*db_);
  for (const int count : {1, 2, 15, 16, 17, 31, 32, 33, 47, 64, 65, 100}) {
    for (const bool queued : {false, true}) {
      const std::string computer = "PC-" + std::to_string(count) + (queued ? "-Q" : "-S");
      const std::vector<Fact> facts = Applications(count);
      if (queued) {
        std::optional<std::int64_t> stored;
        db_->QueueRunWithFacts(RunOf(computer, count), facts,
                               [&](const Database::StoreOutcome& o) { stored = o.run_id; });
        db_->FinishQueuedRuns();
        ASSERT_TRUE(stored.has_value()) << computer;
      } else {
        ASSERT_TRUE(db_->StoreRunWithFacts(RunOf(computer, count), facts).has_value());
      }
      std::vector<std::string> want;
      for (int k = 1; k <= count; ++k) {
        const std::string k_text = std::to_string(k);
        want.push_back(k_text + " App " + k_text + " " + k_text + ".0 " + (k % 2 ? "Acme" : "-") +
                       " " + k_text + ".0");
      }
      EXPECT_EQ(StoredApplications(computer), want) << computer;
      EXPECT_EQ(Scalar(std::string("SELECT COUNT(*) FROM ") + kFactGroupsTable +
                           " g JOIN runs r ON r.run_id = g.run_id WHERE r.computer = ?",
                       {computer}),
                "1")
          << computer;
    }
  }
  ExpectOnlyWholeRuns(*db_);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, FleetStoreRows, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, FleetStoreRows, ::testing::Values("postgresql"));

}  // namespace
}  // namespace norvale::fleet::testing
