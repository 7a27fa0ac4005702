// Pages rendered and written on threads of their own while the caller reads
// the database for the next ones: a computer page costs more to make and
// write than its rows cost to read.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace norvale::fleet {

// What the pages written so far add up to; each thread keeps its own.
struct PageTally {
  std::size_t pages = 0;    // computer pages written
  std::size_t largest = 0;  // the largest computer page, bytes
  void Add(const PageTally& other);
};

class PageWorkers {
 public:
  using Job = std::function<void(PageTally&)>;

  // `threads` at least 1; `queue_limit` jobs wait at most, so the caller
  // holds no more than that many pages' data at once.
  PageWorkers(std::size_t threads, std::size_t queue_limit);
  // Stops the threads, dropping jobs not yet started (after an error).
  ~PageWorkers();
  PageWorkers(const PageWorkers&) = delete;
  PageWorkers& operator=(const PageWorkers&) = delete;

  // Waits while the queue is full. Throws the first error a job threw, so
  // the caller stops reading for pages that would not be written.
  void Add(Job job);
  // Waits for every job; throws the first error a job threw.
  PageTally Finish();

 private:
  void Work(PageTally& tally);
  void Stop();
  void ThrowIfFailed();

  std::mutex mutex_;
  std::condition_variable work_, space_;
  std::deque<Job> jobs_;
  std::size_t queue_limit_;
  bool closing_ = false;
  std::exception_ptr error_;
  std::vector<PageTally> tallies_;
  std::vector<std::thread> threads_;
};

}  // namespace norvale::fleet
