// The fixed pool of threads that serves the service's connections, with a bounded queue.
// The HTTP server hands over each accepted connection as one task. A task for which no thread is
// free and no queue place is left goes to a separate answering thread instead, which reads the
// request and answers "busy" (answering_busy() is true there), so no caller is left hanging and
// the pool never grows.
//
//   server.new_task_queue = [] { return new ConnectionPool(32, 64); };  // the server owns it
//   // in a handler:
//   if (ConnectionPool::answering_busy()) { ...answer "busy" and close...; return; }
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace service {

class ConnectionPool : public httplib::TaskQueue {
 public:
  // `threads` workers (at least one) and up to `queue_limit` tasks waiting for a free worker.
  ConnectionPool(std::size_t threads, std::size_t queue_limit);
  ~ConnectionPool() override;
  ConnectionPool(const ConnectionPool&) = delete;
  ConnectionPool& operator=(const ConnectionPool&) = delete;

  void enqueue(std::function<void()> task) override;

  // Runs what is queued, then joins every thread. Later tasks run on the calling thread so that
  // their connections are still closed. Safe to call more than once.
  void shutdown() override;

  // True on the thread that answers the connections the pool had no room for.
  static bool answering_busy();

 private:
  struct Lane {
    std::deque<std::function<void()>> tasks;
    std::condition_variable ready;
  };
  void work(Lane& lane, bool busy_lane);

  std::mutex mutex_;
  Lane pool_lane_;
  Lane busy_lane_;
  std::size_t idle_;  // pool workers not running a task
  const std::size_t queue_limit_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace service
