#pragma once
// A daemon's addresses by a deadline, for the connection's twins, which
// include this after their system's getaddrinfo. A numeric address is taken
// at once; a host name is looked up on a thread of its own, so a name server
// that does not answer never holds the caller past its time. At most one
// lookup runs at a time: a lookup that never ends is waited for again rather
// than joined by a new thread at each START.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct FreeAddresses {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using Addresses = std::unique_ptr<addrinfo, FreeAddresses>;

// The one lookup under way, or the last one's result until it is taken.
struct NameLookup {
  std::mutex lock;
  std::condition_variable done;
  bool running = false;
  bool finished = false;
  std::string host;
  std::string port;
  Addresses found;
};

inline NameLookup& name_lookup() {
  static NameLookup* const lookup = new NameLookup;  // outlives a lookup still running at exit
  return *lookup;
}

inline Addresses addresses_of(const std::string& host, const std::string& port,
                              const addrinfo& hints, std::chrono::steady_clock::time_point end,
                              const std::function<bool()>& wanted) {
  auto lookup = [host, port, hints](int flags) {
    addrinfo asked = hints;
    asked.ai_flags |= flags;
    addrinfo* found = nullptr;
    return Addresses(getaddrinfo(host.c_str(), port.c_str(), &asked, &found) == 0 ? found
                                                                                  : nullptr);
  };
  if (Addresses numeric = lookup(AI_NUMERICHOST)) return numeric;
  NameLookup& shared = name_lookup();
  std::unique_lock<std::mutex> hold(shared.lock);
  for (;;) {
    if (shared.finished && shared.host == host && shared.port == port) {
      shared.finished = false;
      return std::move(shared.found);
    }
    if (!shared.running) {
      shared.running = true;
      shared.finished = false;
      shared.host = host;
      shared.port = port;
      std::thread([&shared, lookup] {
        Addresses found = lookup(0);
        std::lock_guard<std::mutex> done(shared.lock);
        shared.found = std::move(found);
        shared.running = false;
        shared.finished = true;
        shared.done.notify_all();
      }).detach();
    }
    // Another name's lookup still running is waited for, then ours starts.
    const auto slice =
        std::min(end, std::chrono::steady_clock::now() + std::chrono::milliseconds(20));
    shared.done.wait_until(hold, slice);
    if (std::chrono::steady_clock::now() >= end || !wanted()) return {};
  }
}
