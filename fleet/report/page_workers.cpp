#include "fleet/report/page_workers.h"

#include <algorithm>
#include <utility>

namespace norvale::fleet {

void PageTally::Add(const PageTally& other) {
  pages += other.pages;
  largest = std::max(largest, other.largest);
}

PageWorkers::PageWorkers(std::size_t threads, std::size_t queue_limit)
    : queue_limit_(std::max<std::size_t>(queue_limit, 1)),
      tallies_(std::max<std::size_t>(threads, 1)) {
  for (PageTally& tally : tallies_) threads_.emplace_back([this, &tally] { Work(tally); });
}

PageWorkers::~PageWorkers() { Stop(); }

void PageWorkers::Work(PageTally& tally) {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      work_.wait(lock, [&] { return closing_ || !jobs_.empty(); });
      // After an error the jobs left are dropped: their pages would be
      // written for a report that fails anyway.
      if (jobs_.empty() || error_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    space_.notify_one();
    try {
      job(tally);
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!error_) error_ = std::current_exception();
      jobs_.clear();
      space_.notify_all();
    }
  }
}

void PageWorkers::ThrowIfFailed() {
  if (error_) std::rethrow_exception(error_);
}

void PageWorkers::Add(Job job) {
  std::unique_lock<std::mutex> lock(mutex_);
  space_.wait(lock, [&] { return error_ || jobs_.size() < queue_limit_; });
  ThrowIfFailed();
  jobs_.push_back(std::move(job));
  lock.unlock();
  work_.notify_one();
}

void PageWorkers::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  work_.notify_all();
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
}

PageTally PageWorkers::Finish() {
  Stop();
  ThrowIfFailed();
  PageTally total;
  for (const PageTally& tally : tallies_) total.Add(tally);
  return total;
}

}  // namespace norvale::fleet
