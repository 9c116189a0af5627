#include "adapter/serial_port.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "adapter/link_state.h"
#include "support/pty_device.h"
#include "support/station_fixture.h"

namespace {

using SerialPortTest = StationTest;

TEST_F(SerialPortTest, ComNumbersMapToLocalLinksFirstThenSystemPorts) {
  EXPECT_EQ(device_path_for_com(0), "");
  EXPECT_EQ(device_path_for_com(-3), "");
  EXPECT_EQ(device_path_for_com(1), "/dev/ttyS0");
  EXPECT_EQ(device_path_for_com(12), "/dev/ttyS11");
  PtyDevice device(7);
  EXPECT_EQ(device_path_for_com(7), "COM7");
}

TEST_F(SerialPortTest, PortTextIsReadLikeAPrintfNumber) {
  struct Case {
    std::string text;
    int before;
    int after;
  } cases[] = {
      {"12", 0, 12}, {"x", 0, 0}, {"x", 5, 5},  {" 7", 0, 7},   {"7x", 0, 7},
      {"-3", 0, -3}, {"", 4, 4},  {"+8", 0, 8}, {"\t 9", 0, 9}, {"- 3", 2, 2},
  };
  for (const auto& c : cases) {
    port_number = c.before;
    parse_port_number(c.text);
    EXPECT_EQ(port_number, c.after) << '"' << c.text << '"';
  }
}

TEST_F(SerialPortTest, OpenedPortIsRawAt9600WithTheRightStopBits) {
  for (StopBits stop : {StopBits::one, StopBits::two}) {
    PtyDevice device;
    SerialPort port = SerialPort::open(device.near_path(), stop);
    ASSERT_TRUE(port.is_open());
    // The far end of a pseudo-terminal reports the near end's line settings.
    termios tio{};
    ASSERT_EQ(tcgetattr(device.far_fd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_EQ(cfgetispeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & PARENB, 0u);
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, stop == StopBits::two);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(tio.c_cflag & CREAD, 0u);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  }
}

TEST_F(SerialPortTest, SecondOpenFailsWithinOneProcessAndSucceedsAfterClose) {
  PtyDevice device;
  SerialPort first = SerialPort::open(device.near_path(), StopBits::one);
  ASSERT_TRUE(first.is_open());
  SerialPort second = SerialPort::open(device.near_path(), StopBits::one);
  EXPECT_FALSE(second.is_open());
  first.close();
  SerialPort third = SerialPort::open(device.near_path(), StopBits::one);
  EXPECT_TRUE(third.is_open());
}

TEST_F(SerialPortTest, MissingDeviceDoesNotOpenAndIsNotCreated) {
  SerialPort port = SerialPort::open(dir.path() + "/COM9", StopBits::one);
  EXPECT_FALSE(port.is_open());
  EXPECT_FALSE(dir.exists("COM9"));
}

TEST_F(SerialPortTest, InvalidPortWritesNothingAndReadsNothingAtOnce) {
  SerialPort port;
  port.write("abc", 3);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(port.read().has_value());
  // A hundred reads that each waited out a read timeout would take a second
  // at least; half of that is generous for a loaded machine.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  port.close();
  port.close();
}

TEST_F(SerialPortTest, BytesTravelBothWays) {
  PtyDevice device;
  SerialPort port = SerialPort::open(device.near_path(), StopBits::one);
  ASSERT_TRUE(port.is_open());
  const std::uint8_t frame[] = {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD};
  write_bytes(port, frame, sizeof frame);
  EXPECT_EQ(device.read_count(8), std::vector<std::uint8_t>(frame, frame + 8));
  device.write(std::vector<std::uint8_t>{0x00, 0x0A, 0xFD});
  std::vector<std::uint8_t> got;
  for (int i = 0; i < 100 && got.size() < 3; ++i) {
    if (auto b = read_byte(port)) got.push_back(*b);
  }
  EXPECT_EQ(got, (std::vector<std::uint8_t>{0x00, 0x0A, 0xFD}));
}

TEST_F(SerialPortTest, ReadWithNothingWaitingReturnsNoneAfterItsTimeout) {
  PtyDevice device;
  SerialPort port = SerialPort::open(device.near_path(), StopBits::one);
  ASSERT_TRUE(port.is_open());
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(port.read().has_value());
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(9));
  EXPECT_LT(took, std::chrono::seconds(2));  // never stuck; generous for a loaded machine
}

TEST_F(SerialPortTest, UnpluggedDeviceStillWaitsOutEachRead) {
  PtyDevice device;
  SerialPort port = SerialPort::open(device.near_path(), StopBits::one);
  ASSERT_TRUE(port.is_open());
  device.close_far_end();
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(port.read().has_value());
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
}

TEST_F(SerialPortTest, WriteToADeviceThatStopsReadingGivesUp) {
  PtyDevice device;
  SerialPort port = SerialPort::open(device.near_path(), StopBits::one);
  ASSERT_TRUE(port.is_open());
  std::vector<std::uint8_t> big(1 << 20, 0x55);
  auto start = std::chrono::steady_clock::now();
  port.write(big.data(), big.size());
  auto took = std::chrono::steady_clock::now() - start;
  // The write limit is 1 s; 3 s is generous for a loaded machine.
  EXPECT_LT(took, std::chrono::seconds(3));
}

}  // namespace
