#include "transceiver/tcp_connection.h"

#include <utility>

TcpConnection::~TcpConnection() { close(); }

TcpConnection::TcpConnection(TcpConnection&& other) noexcept
    : socket_(std::exchange(other.socket_, kNoSocket)) {}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept {
  if (this != &other) {
    close();
    socket_ = std::exchange(other.socket_, kNoSocket);
  }
  return *this;
}
