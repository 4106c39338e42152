#include "socket/dns_resolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <utility>

#include "socket/resolve.h"
#include "socket/winsock_errors.h"

namespace varnel::socket {
namespace {

using runtime::EventLoop;
using runtime::TargetId;

struct Job {
  std::uint64_t id = 0;
  bool reverse = false;
  std::string text;
};

struct Outcome {
  int error = 0;
  std::vector<std::string> names;  // dotted addresses, or the one host name
};

// A request whose result has not been delivered yet.
struct Pending {
  EventLoop* loop;
  TargetId target;
  std::thread::id thread;  // the requesting thread
  DnsResolver::NameDone name_done;
  DnsResolver::AddrDone addr_done;
};

// The requests waiting for their results. Shared with results in flight, so
// a result dropped by a loop can still remove its request.
struct Registry {
  std::mutex mutex;
  std::unordered_map<std::uint64_t, Pending> pending;
  std::uint64_t next_id = 1;

  std::optional<Pending> Take(std::uint64_t id) {
    std::lock_guard lock(mutex);
    auto it = pending.find(id);
    if (it == pending.end()) {
      return std::nullopt;
    }
    Pending taken = std::move(it->second);
    pending.erase(it);
    return taken;
  }
};

// Travels with a posted result. Delivery runs the callback; when the loop
// drops the result instead (target destroyed), the request goes with it.
class Ticket {
 public:
  Ticket(std::shared_ptr<Registry> registry, std::uint64_t id, Outcome outcome)
      : registry_(std::move(registry)), id_(id), outcome_(std::move(outcome)) {}
  ~Ticket() { registry_->Take(id_); }
  Ticket(const Ticket&) = delete;
  Ticket& operator=(const Ticket&) = delete;

  void Deliver() {
    std::optional<Pending> request = registry_->Take(id_);
    if (!request) {
      return;  // cancelled after the result was posted
    }
    if (request->name_done) {
      request->name_done(outcome_.error, std::move(outcome_.names));
    } else {
      request->addr_done(outcome_.error,
                         outcome_.names.empty() ? std::string()
                                                : std::move(outcome_.names[0]));
    }
  }

 private:
  std::shared_ptr<Registry> registry_;
  std::uint64_t id_;
  Outcome outcome_;
};

Outcome ResolveName(const std::string& host) {
  Outcome outcome;
  std::vector<std::uint32_t> addresses;
  outcome.error = LookupHostAddresses(host, addresses);
  for (std::uint32_t address : addresses) {
    outcome.names.push_back(DottedAddress(address));
  }
  return outcome;
}

Outcome ResolveAddr(const std::string& dotted) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  // As inet_addr: a text that is no address asks for 255.255.255.255.
  std::uint32_t value = INADDR_NONE;
  InetAddr(dotted, value);
  address.sin_addr.s_addr = value;
  char host[NI_MAXHOST] = {};
  Outcome outcome;
  const int rc = getnameinfo(reinterpret_cast<const sockaddr*>(&address),
                             sizeof address, host, sizeof host, nullptr, 0,
                             NI_NAMEREQD);
  outcome.error = WinsockErrorFromResolver(rc);
  if (rc == 0) {
    outcome.names.emplace_back(host);
  }
  return outcome;
}

// One worker thread with a job queue, started on the first lookup and joined
// when the process ends. Lookups complete in the order they were asked.
class Service {
 public:
  static Service& Instance() {
    static Service service;
    return service;
  }

  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  ~Service() {
    {
      std::lock_guard lock(jobs_mutex_);
      stopping_ = true;
    }
    jobs_ready_.notify_all();
    if (worker_.joinable()) {
      worker_.join();
    }
    gone_ = true;
  }

  static bool Gone() { return gone_; }

  std::uint64_t Submit(Pending request, bool reverse, std::string text) {
    std::uint64_t id = 0;
    {
      std::lock_guard lock(registry_->mutex);
      id = registry_->next_id++;
      registry_->pending.emplace(id, std::move(request));
    }
    {
      std::lock_guard lock(jobs_mutex_);
      jobs_.push_back(Job{id, reverse, std::move(text)});
      StartWorker();
    }
    jobs_ready_.notify_one();
    return id;
  }

  bool Cancel(std::uint64_t id) {
    std::optional<Pending> cancelled;  // its callback dies outside the lock
    std::lock_guard post_lock(post_mutex_);
    cancelled = registry_->Take(id);
    return cancelled.has_value();
  }

  // Drops the requests of a thread that ends: its loop is about to go.
  void DropThread(std::thread::id thread) {
    std::vector<Pending> dropped;  // callbacks die outside the locks
    std::lock_guard post_lock(post_mutex_);
    std::lock_guard lock(registry_->mutex);
    for (auto it = registry_->pending.begin(); it != registry_->pending.end();) {
      if (it->second.thread == thread) {
        dropped.push_back(std::move(it->second));
        it = registry_->pending.erase(it);
      } else {
        ++it;
      }
    }
  }

 private:
  Service() = default;

  // Called with jobs_mutex_ held. The worker blocks every signal, so signal
  // handling stays with the program's own thread.
  void StartWorker() {
    if (worker_.joinable()) {
      return;
    }
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    worker_ = std::thread([this] { Work(); });
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }

  void Work() {
    for (;;) {
      Job job;
      {
        std::unique_lock lock(jobs_mutex_);
        jobs_ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (stopping_) {
          return;
        }
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      Outcome outcome =
          job.reverse ? ResolveAddr(job.text) : ResolveName(job.text);
      Post(job.id, std::move(outcome));
    }
  }

  // Holding post_mutex_ keeps a cancelled request's loop from being posted
  // to once Cancel or DropThread has returned.
  void Post(std::uint64_t id, Outcome outcome) {
    std::lock_guard post_lock(post_mutex_);
    EventLoop* loop = nullptr;
    TargetId target = 0;
    {
      std::lock_guard lock(registry_->mutex);
      auto it = registry_->pending.find(id);
      if (it == registry_->pending.end()) {
        return;
      }
      loop = it->second.loop;
      target = it->second.target;
    }
    // The posted callback holds the only reference, so the request is
    // dropped wherever the loop drops the result, never on this thread.
    loop->PostFromAnyThread(
        target, [ticket = std::make_shared<Ticket>(registry_, id,
                                                   std::move(outcome))] {
          ticket->Deliver();
        });
  }

  std::shared_ptr<Registry> registry_ = std::make_shared<Registry>();
  std::mutex post_mutex_;
  std::mutex jobs_mutex_;
  std::condition_variable jobs_ready_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::thread worker_;
  static inline bool gone_ = false;
};

// Lives in each requesting thread; built after the thread's own loop, it is
// destroyed before that loop and drops the thread's requests still pending.
class ThreadGuard {
 public:
  ThreadGuard() { EventLoop::Current(); }
  ~ThreadGuard() {
    if (!Service::Gone()) {
      Service::Instance().DropThread(std::this_thread::get_id());
    }
  }
  ThreadGuard(const ThreadGuard&) = delete;
  ThreadGuard& operator=(const ThreadGuard&) = delete;
};

std::uint64_t Submit(EventLoop& loop, TargetId target, bool reverse,
                     std::string text, DnsResolver::NameDone name_done,
                     DnsResolver::AddrDone addr_done) {
  Service& service = Service::Instance();
  thread_local ThreadGuard guard;
  return service.Submit(Pending{&loop, target, std::this_thread::get_id(),
                                std::move(name_done), std::move(addr_done)},
                        reverse, std::move(text));
}

}  // namespace

std::uint64_t DnsResolver::LookupName(EventLoop& loop, TargetId target,
                                      std::string host, NameDone done) {
  return Submit(loop, target, false, std::move(host), std::move(done), nullptr);
}

std::uint64_t DnsResolver::LookupAddr(EventLoop& loop, TargetId target,
                                      std::string dotted, AddrDone done) {
  return Submit(loop, target, true, std::move(dotted), nullptr,
                std::move(done));
}

bool DnsResolver::Cancel(std::uint64_t request) {
  // A socket destroyed during process exit may cancel after the service.
  return request != 0 && !Service::Gone() && Service::Instance().Cancel(request);
}

}  // namespace varnel::socket
