#pragma once
// A daemon's addresses by a deadline, for the connection's twins, which
// include this after their system's getaddrinfo. A numeric address is taken
// at once; a host name is looked up on a thread of its own, so a name server
// that does not answer never holds START past its time.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "transceiver/finished_by.h"

struct FreeAddresses {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using Addresses = std::unique_ptr<addrinfo, FreeAddresses>;

inline Addresses addresses_of(const std::string& host, const std::string& port,
                              const addrinfo& hints, std::chrono::steady_clock::time_point end) {
  auto lookup = [host, port, hints](int flags) {
    addrinfo asked = hints;
    asked.ai_flags |= flags;
    addrinfo* found = nullptr;
    return Addresses(getaddrinfo(host.c_str(), port.c_str(), &asked, &found) == 0 ? found
                                                                                  : nullptr);
  };
  if (Addresses numeric = lookup(AI_NUMERICHOST)) return numeric;
  std::optional<Addresses> named = finished_by<Addresses>(end, [lookup] { return lookup(0); });
  return named ? std::move(*named) : Addresses();
}
