#include "runtime/event_loop.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <limits>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace varnel::runtime {
namespace {

// epoll data of the loop's own descriptors; watch ids count up from 1.
constexpr std::uint64_t kWakeTag = std::numeric_limits<std::uint64_t>::max();
constexpr std::uint64_t kTimerTag = kWakeTag - 1;
constexpr int kMaxEventsPerWait = 256;

std::atomic<bool> g_terminating{false};

[[noreturn]] void ThrowSystemError(const char* what) {
  throw std::runtime_error(std::string("EventLoop: ") + what + " failed, errno " +
                           std::to_string(errno));
}

void AddToEpoll(int epoll_fd, int fd, std::uint64_t tag) {
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.u64 = tag;
  if (::epoll_ctl(epoll_fd, EPOLL_CTL_ADD, fd, &event) != 0) ThrowSystemError("epoll_ctl");
}

}  // namespace

std::int64_t TickCount() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool ApplicationTerminating() { return g_terminating.load(); }
void SetApplicationTerminating(bool terminating) { g_terminating.store(terminating); }

EventLoop::EventLoop() {
  epoll_fd_ = ::epoll_create1(EPOLL_CLOEXEC);
  if (epoll_fd_ < 0) ThrowSystemError("epoll_create1");
  wake_fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  timer_fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (wake_fd_ < 0 || timer_fd_ < 0) {
    int saved = errno;
    if (wake_fd_ >= 0) ::close(wake_fd_);
    if (timer_fd_ >= 0) ::close(timer_fd_);
    ::close(epoll_fd_);
    errno = saved;
    ThrowSystemError("eventfd/timerfd_create");
  }
  AddToEpoll(epoll_fd_, wake_fd_, kWakeTag);
  AddToEpoll(epoll_fd_, timer_fd_, kTimerTag);
}

EventLoop::~EventLoop() {
  ::close(timer_fd_);
  ::close(wake_fd_);
  ::close(epoll_fd_);
}

EventLoop& EventLoop::Current() {
  thread_local std::unique_ptr<EventLoop> loop = std::make_unique<EventLoop>();
  return *loop;
}

// ---- targets and posting -------------------------------------------------

TargetId EventLoop::CreateTarget() {
  TargetId id = next_target_++;
  targets_.insert(id);
  return id;
}

void EventLoop::DestroyTarget(TargetId target) { targets_.erase(target); }

bool EventLoop::TargetAlive(TargetId target) const { return targets_.count(target) != 0; }

void EventLoop::Append(Entry entry) {
  entry.serial = ++appended_serial_;
  queue_.push_back(std::move(entry));
  // Inside a pass the end of the pass decides (one eventfd write at most).
  if (pass_depth_ == 0) SignalWakeup();
}

void EventLoop::Post(TargetId target, Callback callback) {
  Entry entry;
  entry.target = target;
  entry.callback = std::move(callback);
  Append(std::move(entry));
}

void EventLoop::PostFromAnyThread(TargetId target, Callback callback) {
  {
    std::lock_guard<std::mutex> lock(foreign_mutex_);
    Entry entry;
    entry.target = target;
    entry.callback = std::move(callback);
    foreign_.push_back(std::move(entry));
  }
  std::uint64_t one = 1;
  // The counter only saturates after 2^64 - 2 writes; a failed write would
  // mean the descriptor is gone, which cannot happen while the loop exists.
  [[maybe_unused]] ssize_t written = ::write(wake_fd_, &one, sizeof one);
}

void EventLoop::TakeForeignPosts() {
  std::vector<Entry> taken;
  {
    std::lock_guard<std::mutex> lock(foreign_mutex_);
    taken.swap(foreign_);
  }
  for (Entry& entry : taken) Append(std::move(entry));
}

// The eventfd keeps the epoll descriptor readable while the FIFO holds
// entries, so an embedding host loop comes back for them.
void EventLoop::SignalWakeup() {
  if (wake_signalled_) return;
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t written = ::write(wake_fd_, &one, sizeof one);
  wake_signalled_ = true;
}

// Draining the eventfd may swallow the wake-up of a foreign post, so the
// foreign inbox is always emptied right after.
void EventLoop::ClearWakeup() {
  std::uint64_t count = 0;
  [[maybe_unused]] ssize_t got = ::read(wake_fd_, &count, sizeof count);
  wake_signalled_ = false;
  TakeForeignPosts();
}

// ---- descriptor readiness ------------------------------------------------

WatchId EventLoop::Watch(int fd, TargetId target, ReadyCallback callback) {
  WatchId id = next_watch_++;
  WatchSlot& slot = watches_[id];
  slot.fd = fd;
  slot.target = target;
  slot.callback = std::make_shared<ReadyCallback>(std::move(callback));
  return id;
}

void EventLoop::SetInterest(WatchId watch, std::uint32_t events) {
  auto it = watches_.find(watch);
  if (it == watches_.end()) return;
  WatchSlot& slot = it->second;
  slot.wanted = events;
  if (!slot.dirty && slot.wanted != slot.armed) {
    slot.dirty = true;
    dirty_watches_.push_back(watch);
    // Outside a pass nobody would apply the change before a host loop waits
    // on the descriptor: make it readable so that a pass runs.
    if (pass_depth_ == 0) SignalWakeup();
  }
}

std::uint32_t EventLoop::Interest(WatchId watch) const {
  auto it = watches_.find(watch);
  return it == watches_.end() ? 0 : it->second.wanted;
}

void EventLoop::Unwatch(WatchId watch) {
  auto it = watches_.find(watch);
  if (it == watches_.end()) return;
  // Removed at once: the caller is about to close the descriptor, and its
  // number may be reused before the next pass.
  if (it->second.registered) ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, it->second.fd, nullptr);
  // A readiness entry still queued is dropped: no target has id 0.
  if (it->second.queued) it->second.queued->target = 0;
  watches_.erase(it);
}

// Applies the interest changes of the last pass with one epoll_ctl per
// changed watch. An empty mask removes the descriptor altogether, since epoll
// reports hang-ups and errors even for an empty mask.
void EventLoop::SyncInterest() {
  std::vector<WatchId> dirty;
  dirty.swap(dirty_watches_);
  for (WatchId id : dirty) {
    auto it = watches_.find(id);
    if (it == watches_.end()) continue;
    WatchSlot& slot = it->second;
    slot.dirty = false;
    if (slot.wanted == slot.armed) continue;
    int result = 0;
    if (slot.wanted == 0) {
      result = ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, slot.fd, nullptr);
      slot.registered = false;
    } else {
      epoll_event event{};
      event.events = slot.wanted;
      event.data.u64 = id;
      result = ::epoll_ctl(epoll_fd_, slot.registered ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, slot.fd, &event);
      slot.registered = result == 0;
    }
    slot.armed = result == 0 ? slot.wanted : 0;
    if (result != 0) {
      // The owner learns of a descriptor that cannot be watched as of an error.
      Entry entry;
      entry.target = slot.target;
      entry.watch = id;
      entry.events = EPOLLERR;
      Append(std::move(entry));
    }
  }
}

// ---- timers --------------------------------------------------------------

TimerId EventLoop::StartTimer(std::int64_t delay_ms, TargetId target, Callback callback) {
  TimerId id = next_timer_++;
  TimerSlot& slot = timers_[id];
  slot.target = target;
  slot.deadline = TickCount() + (delay_ms < 0 ? 0 : delay_ms);
  slot.callback = std::move(callback);
  bool earliest = deadlines_.empty() || slot.deadline < deadlines_.begin()->first;
  deadlines_.emplace(slot.deadline, id);
  if (earliest) ArmTimerFd();
  return id;
}

void EventLoop::CancelTimer(TimerId timer) {
  auto it = timers_.find(timer);
  if (it == timers_.end()) return;
  if (!it->second.expired) {
    auto range = deadlines_.equal_range(it->second.deadline);
    for (auto d = range.first; d != range.second; ++d) {
      if (d->second == timer) {
        deadlines_.erase(d);
        break;
      }
    }
  }
  timers_.erase(it);
}

void EventLoop::ArmTimerFd() {
  itimerspec spec{};
  if (!deadlines_.empty()) {
    std::int64_t at = deadlines_.begin()->first;
    // A zero it_value would disarm the timer; a deadline at tick 0 fires at 1 ns.
    spec.it_value.tv_sec = at / 1000;
    spec.it_value.tv_nsec = (at % 1000) * 1000000 + 1;
  }
  ::timerfd_settime(timer_fd_, TFD_TIMER_ABSTIME, &spec, nullptr);
}

void EventLoop::ExpireTimers() {
  std::uint64_t expirations = 0;
  [[maybe_unused]] ssize_t got = ::read(timer_fd_, &expirations, sizeof expirations);
  std::int64_t now = TickCount();
  while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
    TimerId id = deadlines_.begin()->second;
    deadlines_.erase(deadlines_.begin());
    TimerSlot& slot = timers_.at(id);
    slot.expired = true;
    Entry entry;
    entry.target = slot.target;
    entry.timer = id;
    Append(std::move(entry));
  }
  ArmTimerFd();
}

// ---- dispatching ---------------------------------------------------------

void EventLoop::Gather(int timeout_ms) {
  epoll_event events[kMaxEventsPerWait];
  int count = ::epoll_wait(epoll_fd_, events, kMaxEventsPerWait, timeout_ms);
  if (count < 0) {
    if (errno == EINTR) return;
    ThrowSystemError("epoll_wait");
  }
  for (int i = 0; i < count; ++i) {
    std::uint64_t tag = events[i].data.u64;
    if (tag == kWakeTag) {
      ClearWakeup();
      continue;
    }
    if (tag == kTimerTag) {
      ExpireTimers();
      continue;
    }
    auto it = watches_.find(tag);
    if (it == watches_.end()) continue;
    WatchSlot& slot = it->second;
    if (slot.queued) {
      slot.queued->events |= events[i].events;
      continue;
    }
    Entry entry;
    entry.target = slot.target;
    entry.watch = tag;
    entry.events = events[i].events;
    Append(std::move(entry));
    slot.queued = &queue_.back();
  }
}

void EventLoop::Deliver(Entry entry) {
  if (!TargetAlive(entry.target)) return;
  if (entry.timer != 0) {
    auto it = timers_.find(entry.timer);
    if (it == timers_.end()) return;  // cancelled after it expired
    Callback callback = std::move(it->second.callback);
    timers_.erase(it);
    callback();
    return;
  }
  if (entry.watch != 0) {
    auto it = watches_.find(entry.watch);
    if (it == watches_.end()) return;
    std::shared_ptr<ReadyCallback> callback = it->second.callback;
    (*callback)(entry.events);
    return;
  }
  entry.callback();
}

int EventLoop::Pass(int timeout_ms) {
  ++pass_depth_;
  SyncInterest();
  Gather(queue_.empty() ? timeout_ms : 0);
  // Only what was queued when the pass began; a nested pass (a handler that
  // pumps) may take entries off the front meanwhile.
  const std::uint64_t limit = appended_serial_;
  int delivered = 0;
  while (!queue_.empty() && queue_.front().serial <= limit) {
    Entry entry = std::move(queue_.front());
    if (entry.watch != 0) {
      auto it = watches_.find(entry.watch);
      if (it != watches_.end()) it->second.queued = nullptr;
    }
    queue_.pop_front();
    try {
      Deliver(std::move(entry));
    } catch (...) {
      --pass_depth_;
      EndPass();
      throw;
    }
    ++delivered;
  }
  --pass_depth_;
  EndPass();
  return delivered;
}

// The epoll descriptor stays readable exactly while the FIFO holds entries,
// so an embedding host loop comes back for them.
void EventLoop::EndPass() {
  SyncInterest();
  if (!queue_.empty()) {
    SignalWakeup();
  } else if (wake_signalled_) {
    ClearWakeup();
  }
}

void EventLoop::DispatchPending() { Pass(0); }

bool EventLoop::RunOnce(int timeout_ms) { return Pass(timeout_ms) > 0; }

void EventLoop::WaitForWork(int timeout_ms) {
  if (!queue_.empty()) return;
  SyncInterest();
  if (!queue_.empty()) return;
  if (wait_hook_) {
    wait_hook_(timeout_ms);
    return;
  }
  pollfd fd{epoll_fd_, POLLIN, 0};
  ::poll(&fd, 1, timeout_ms);
}

void EventLoop::Run() {
  stopped_ = false;
  while (!stopped_) Pass(-1);
}

void EventLoop::Pump() {
  if (pump_hook_) {
    pump_hook_();
  } else {
    DispatchPending();
  }
}

}  // namespace varnel::runtime
