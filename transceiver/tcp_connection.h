#pragma once
// One TCP connection to a daemon, open or not. Every call waits at most the
// time it is given, so a silent far end never holds the caller.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TcpConnection {
 public:
  TcpConnection() = default;
  ~TcpConnection();
  TcpConnection(TcpConnection&& other) noexcept;
  TcpConnection& operator=(TcpConnection&& other) noexcept;
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // Connected within `limit`, or not open: the host is unknown, nothing
  // listens there, it did not take the connection in time, or `wanted`
  // (asked every few milliseconds) turned false.
  static TcpConnection open(const std::string& host, const std::string& port,
                            std::chrono::milliseconds limit, const std::function<bool()>& wanted);
  bool is_open() const { return socket_ != kNoSocket; }
  void close();

  // All of the text, or false when the far end did not take it in time.
  bool send(std::string_view text, std::chrono::milliseconds limit);

  enum class Received { data, nothing, hung_up };
  // Appends what has arrived to `out`, waiting at most `limit` for it.
  Received receive(std::string& out, std::chrono::milliseconds limit);

 private:
  static constexpr std::intptr_t kNoSocket = -1;
  explicit TcpConnection(std::intptr_t socket) : socket_(socket) {}
  std::intptr_t socket_ = kNoSocket;
};
