#include "fleet/report/page_workers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>

namespace norvale::fleet {
namespace {

// Every job runs once, whatever thread takes it, and the threads' tallies
// add up; a queue shorter than the jobs only makes Add wait.
TEST(PageWorkers, RunsEveryJobOnceAndAddsTheTallies) {
  struct Case {
    std::size_t threads, queue, jobs;
  } cases[] = {{1, 1, 50}, {2, 3, 500}, {4, 1000, 200}, {0, 0, 10}};
  for (const Case& c : cases) {
    std::vector<std::atomic<int>> runs(c.jobs);
    PageWorkers workers(c.threads, c.queue);
    for (std::size_t i = 0; i < c.jobs; ++i) {
      workers.Add([&runs, i](PageTally& tally) {
        ++runs[i];
        ++tally.pages;
        tally.largest = std::max(tally.largest, i);
      });
    }
    const PageTally total = workers.Finish();
    EXPECT_EQ(total.pages, c.jobs) << c.threads << " threads";
    EXPECT_EQ(total.largest, c.jobs - 1) << c.threads << " threads";
    for (std::size_t i = 0; i < c.jobs; ++i) EXPECT_EQ(runs[i].load(), 1) << i;
  }
}

// A page that cannot be written fails the report: Finish throws that error,
// and so does Add once the threads have seen it, so no more pages are read.
TEST(PageWorkers, AJobsErrorReachesTheCaller) {
  PageWorkers workers(2, 4);
  workers.Add([](PageTally&) { throw std::runtime_error("cannot replace computers/pc-07.html"); });
  bool add_threw = false;
  for (int i = 0; i < 1000000 && !add_threw; ++i) {
    try {
      workers.Add([](PageTally& tally) { ++tally.pages; });
    } catch (const std::runtime_error& e) {
      add_threw = true;
      EXPECT_STREQ(e.what(), "cannot replace computers/pc-07.html");
    }
  }
  EXPECT_TRUE(add_threw);
  EXPECT_THROW(workers.Finish(), std::runtime_error);
}

// The caller's own error leaves through the destructor, which waits for
// the threads instead of leaving them to run on freed data.
TEST(PageWorkers, DestroyedWithJobsQueuedWaitsForThem) {
  std::atomic<int> done{0};
  {
    PageWorkers workers(2, 100);
    for (int i = 0; i < 100; ++i) workers.Add([&done](PageTally&) { ++done; });
  }
  EXPECT_EQ(done.load(), 100);
}

}  // namespace
}  // namespace norvale::fleet
