// The per-thread event loop: descriptor readiness, posted notifications and
// timers, all delivered in one FIFO in the order in which they happened.
//
// The loop's single epoll descriptor is readable whenever something is
// pending, so a host loop (Qt) can watch it and call DispatchPending().
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace varnel::runtime {

using TargetId = std::uint64_t;
using WatchId = std::uint64_t;
using TimerId = std::uint64_t;

class EventLoop {
 public:
  using Callback = std::function<void()>;
  // Receives the epoll event bits (EPOLLIN, EPOLLOUT, EPOLLRDHUP, EPOLLHUP,
  // EPOLLERR) reported for the watched descriptor.
  using ReadyCallback = std::function<void(std::uint32_t events)>;
  using PumpHook = std::function<void()>;
  using WaitHook = std::function<void(int timeout_ms)>;

  EventLoop();
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // The loop of the calling thread, created on first use.
  static EventLoop& Current();

  // The epoll descriptor to embed into a host loop.
  int Descriptor() const { return epoll_fd_; }

  // Notification targets: a notification addressed to a target that no
  // longer exists is dropped, never delivered.
  TargetId CreateTarget();
  void DestroyTarget(TargetId target);
  bool TargetAlive(TargetId target) const;

  // Runs `callback` later, from the loop, after the current handler returned.
  void Post(TargetId target, Callback callback);
  // The same, callable from any thread (resolver threads post results).
  void PostFromAnyThread(TargetId target, Callback callback);

  // Readiness of a descriptor, level-triggered on the mask last set. While a
  // readiness entry of a watch waits in the queue, further readiness is merged
  // into it rather than queued twice. Interest changes are applied once per
  // pass, just before the loop waits.
  WatchId Watch(int fd, TargetId target, ReadyCallback callback);
  void SetInterest(WatchId watch, std::uint32_t events);
  std::uint32_t Interest(WatchId watch) const;
  void Unwatch(WatchId watch);

  // One-shot timer on the steady clock.
  TimerId StartTimer(std::int64_t delay_ms, TargetId target, Callback callback);
  void CancelTimer(TimerId timer);

  // One non-blocking dispatch pass: gathers what became ready and delivers
  // the entries that were queued when the pass began.
  void DispatchPending();
  // Waits at most `timeout_ms` (-1: no limit) for something to happen, then
  // dispatches. Returns false when nothing was delivered.
  bool RunOnce(int timeout_ms);
  // Blocks until the loop has something pending or `timeout_ms` passed
  // (-1: no limit), without dispatching. With a wait hook installed the
  // host's loop does the sleeping (and may dispatch).
  void WaitForWork(int timeout_ms);
  // Runs until Stop() is called.
  void Run();
  void Stop() { stopped_ = true; }

  // "Process pending messages": the application pump when one is installed
  // (Qt's processEvents in the GUI), else one dispatch pass of this loop.
  void Pump();
  void SetPumpHook(PumpHook hook) { pump_hook_ = std::move(hook); }
  // How a wait sleeps inside an embedding host (Qt): until the host's own
  // events or this loop's descriptor, which the host watches, have work, at
  // most `timeout_ms` (-1: no limit). Without a hook the wait sleeps on the
  // descriptor alone.
  void SetWaitHook(WaitHook hook) { wait_hook_ = std::move(hook); }

  std::size_t PendingCount() const { return queue_.size(); }

 private:
  // One FIFO entry: a posted notification, an expired timer or readiness.
  struct Entry {
    std::uint64_t serial = 0;
    TargetId target = 0;
    Callback callback;        // posted notification
    TimerId timer = 0;        // expired timer when non-zero
    WatchId watch = 0;        // readiness when non-zero
    std::uint32_t events = 0;
  };
  struct WatchSlot {
    int fd = -1;
    TargetId target = 0;
    std::shared_ptr<ReadyCallback> callback;  // shared: a callback may unwatch itself
    std::uint32_t wanted = 0;
    std::uint32_t armed = 0;
    bool registered = false;
    bool dirty = false;
    Entry* queued = nullptr;  // the readiness entry waiting in the FIFO
  };
  struct TimerSlot {
    TargetId target = 0;
    std::int64_t deadline = 0;
    bool expired = false;
    Callback callback;
  };

  void Append(Entry entry);
  int Pass(int timeout_ms);
  void SyncInterest();
  void Gather(int timeout_ms);
  void TakeForeignPosts();
  void ExpireTimers();
  void ArmTimerFd();
  void Deliver(Entry entry);
  void SignalWakeup();
  void ClearWakeup();
  void EndPass();

  int epoll_fd_ = -1;
  int wake_fd_ = -1;
  int timer_fd_ = -1;
  bool stopped_ = false;
  bool wake_signalled_ = false;
  int pass_depth_ = 0;

  std::deque<Entry> queue_;  // deque: references stay valid across push_back
  std::uint64_t appended_serial_ = 0;

  TargetId next_target_ = 1;
  std::unordered_set<TargetId> targets_;

  WatchId next_watch_ = 1;
  std::unordered_map<WatchId, WatchSlot> watches_;
  std::vector<WatchId> dirty_watches_;

  TimerId next_timer_ = 1;
  std::multimap<std::int64_t, TimerId> deadlines_;
  std::unordered_map<TimerId, TimerSlot> timers_;

  std::mutex foreign_mutex_;
  std::vector<Entry> foreign_;

  PumpHook pump_hook_;
  WaitHook wait_hook_;
};

// Milliseconds on the steady clock; the tick counter of the system.
std::int64_t TickCount();

// "The application is terminating": set once the program is shutting down, so
// that waiting loops give up.
bool ApplicationTerminating();
void SetApplicationTerminating(bool terminating);

// Owns a notification target of a loop for the lifetime of an object; the
// target dies with it, so pending notifications are dropped.
class NotifyTarget {
 public:
  explicit NotifyTarget(EventLoop& loop = EventLoop::Current())
      : loop_(&loop), id_(loop.CreateTarget()) {}
  ~NotifyTarget() { loop_->DestroyTarget(id_); }
  NotifyTarget(const NotifyTarget&) = delete;
  NotifyTarget& operator=(const NotifyTarget&) = delete;

  EventLoop& Loop() const { return *loop_; }
  TargetId Id() const { return id_; }
  void Post(EventLoop::Callback callback) { loop_->Post(id_, std::move(callback)); }

 private:
  EventLoop* loop_;
  TargetId id_;
};

}  // namespace varnel::runtime
