#include "service/connection_pool.h"

#include <algorithm>

namespace service {
namespace {
thread_local bool t_answering_busy = false;
}  // namespace

ConnectionPool::ConnectionPool(std::size_t threads, std::size_t queue_limit)
    : idle_(std::max<std::size_t>(threads, 1)), queue_limit_(queue_limit) {
  threads = idle_;  // counted idle from here on, not from when each thread first runs
  for (std::size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { work(pool_lane_, false); });
  threads_.emplace_back([this] { work(busy_lane_, true); });
}

ConnectionPool::~ConnectionPool() { shutdown(); }

bool ConnectionPool::answering_busy() { return t_answering_busy; }

void ConnectionPool::enqueue(std::function<void()> task) {
  std::unique_lock lock(mutex_);
  if (stopping_) {
    lock.unlock();
    task();
    return;
  }
  // Idle workers take queued tasks first; what is left over is really waiting.
  const bool room = pool_lane_.tasks.size() < idle_ + queue_limit_;
  Lane& lane = room ? pool_lane_ : busy_lane_;
  lane.tasks.push_back(std::move(task));
  lane.ready.notify_one();
}

void ConnectionPool::work(Lane& lane, bool busy_lane) {
  t_answering_busy = busy_lane;
  std::unique_lock lock(mutex_);
  for (;;) {
    lane.ready.wait(lock, [&] { return stopping_ || !lane.tasks.empty(); });
    if (lane.tasks.empty()) return;  // stopping, and nothing left to run
    std::function<void()> task = std::move(lane.tasks.front());
    lane.tasks.pop_front();
    if (!busy_lane) --idle_;
    lock.unlock();
    task();
    lock.lock();
    if (!busy_lane) ++idle_;
  }
}

void ConnectionPool::shutdown() {
  {
    const std::lock_guard lock(mutex_);
    if (stopping_) return;
    stopping_ = true;
  }
  pool_lane_.ready.notify_all();
  busy_lane_.ready.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

}  // namespace service
