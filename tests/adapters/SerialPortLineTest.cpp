#include "SerialPortLine.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelvor {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t Baud = 115200;
// How long a call may wait for bytes that are on their way; generous for a loaded machine,
// and only reached when a test fails.
constexpr auto Patience = 2000ms;
constexpr std::size_t LargeBlock = 200 * 1024;

// Bytes in which every value occurs and no stretch repeats, so that a lost, doubled, reordered
// or translated byte (a line left in cooked mode turns \r into \n and eats ^C) shows.
std::vector<std::uint8_t> pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = 0x2545F491u;
  for (std::size_t i = 0; i < size; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = i < 256 ? static_cast<std::uint8_t>(i) : static_cast<std::uint8_t>(state);
  }
  return bytes;
}

// A pseudo-terminal whose master side plays the phone; the line opens the slave device.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
      slavePath_ = ptsname(master_);
    }
  }
  ~PseudoTerminal() { closeMaster(); }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  bool valid() const { return !slavePath_.empty(); }
  const std::string& slavePath() const { return slavePath_; }
  int master() const { return master_; }

  void closeMaster() {
    if (master_ >= 0) {
      ::close(master_);
      master_ = -1;
    }
  }

  bool send(const std::vector<std::uint8_t>& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t count = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (count <= 0) {
        return false;
      }
      done += static_cast<std::size_t>(count);
    }
    return true;
  }

  // What the line sent, until `size` bytes came or nothing came for Patience.
  std::vector<std::uint8_t> receive(std::size_t size) const {
    std::vector<std::uint8_t> bytes(size);
    std::size_t done = 0;
    pollfd ready{master_, POLLIN, 0};
    while (done<size&& ::poll(&ready, 1, static_cast<int>(Patience.count()))> 0) {
      const ssize_t count = ::read(master_, bytes.data() + done, size - done);
      if (count <= 0) {
        break;
      }
      done += static_cast<std::size_t>(count);
    }
    bytes.resize(done);
    return bytes;
  }

 private:
  int master_ = -1;
  std::string slavePath_;
};

// What arrived on the line, until `size` bytes came or a read came back empty.
std::vector<std::uint8_t> receive(ByteLine& line, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::size_t done = 0;
  while (done < size) {
    const std::size_t count = line.read(std::span(bytes).subspan(done), Patience);
    if (count == 0) {
      break;
    }
    done += count;
  }
  bytes.resize(done);
  return bytes;
}

// An application object for the lines, as the programs have one. Any message from Qt while a
// test's lines live fails it: a port touched from a thread it does not live in, or a thread
// destroyed while running, is reported only that way.
class SerialPortLineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { application_ = new QCoreApplication(argc_, argv_); }
  static void TearDownTestSuite() {
    delete application_;
    application_ = nullptr;
  }
  SerialPortLineTest() : previousHandler_(qInstallMessageHandler(&keepMessage)) {}
  ~SerialPortLineTest() override {
    qInstallMessageHandler(previousHandler_);
    std::lock_guard lock(messagesMutex_);
    EXPECT_TRUE(messages_.empty()) << messages_.front();
    messages_.clear();
  }

 private:
  static void keepMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    std::lock_guard lock(messagesMutex_);
    messages_.push_back(text.toStdString());
  }

  static inline char programName_[] = "kelvor_adapters_tests";
  static inline char* argv_[] = {programName_, nullptr};
  static inline int argc_ = 1;
  static inline QCoreApplication* application_ = nullptr;
  static inline std::mutex messagesMutex_;
  static inline std::vector<std::string> messages_;
  QtMessageHandler previousHandler_ = nullptr;
};

// A line open on the slave side of a pseudo-terminal.
class OpenSerialPortLineTest : public SerialPortLineTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.valid());
    ASSERT_TRUE(line_.open(Baud)) << line_.errorText();
  }

  PseudoTerminal pty_;
  SerialPortLine line_{pty_.slavePath()};
};

TEST_F(OpenSerialPortLineTest, BytesCrossBothWaysCompleteAndInOrder) {
  for (const std::size_t size : {std::size_t{256}, LargeBlock}) {
    SCOPED_TRACE(size);
    const std::vector<std::uint8_t> bytes = pattern(size);

    // The pseudo-terminal holds only a few kilobytes, so the other side drains while a large
    // block is written.
    std::vector<std::uint8_t> atMaster;
    std::thread phone([&] { atMaster = pty_.receive(size); });
    EXPECT_TRUE(line_.write(bytes, Patience)) << line_.errorText();
    phone.join();
    EXPECT_EQ(atMaster, bytes);

    bool sent = false;
    std::thread sender([&] { sent = pty_.send(bytes); });
    const std::vector<std::uint8_t> atLine = receive(line_, size);
    sender.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(atLine, bytes);
  }
}

TEST_F(OpenSerialPortLineTest, WriteGivesUpAfterTheWaitWhenTheOtherSideTakesNothing) {
  // More than the pseudo-terminal holds while its master reads nothing.
  const std::vector<std::uint8_t> bytes = pattern(5 * LargeBlock);
  constexpr auto wait = 100ms;
  const auto start = Clock::now();
  EXPECT_FALSE(line_.write(bytes, wait));
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, wait);
  EXPECT_LT(waited, wait + 500ms);
  EXPECT_FALSE(line_.errorText().empty());
  EXPECT_TRUE(line_.isOpen());
}

TEST_F(OpenSerialPortLineTest, OpensRawWithOneStopBitWithoutFlowControlAtTheGivenRate) {
  // The master side reports the slave's settings. A pseudo-terminal always has 8 data bits and
  // no parity, whatever it is told, so those two cannot be seen here.
  termios settings{};
  ASSERT_EQ(tcgetattr(pty_.master(), &settings), 0);
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP), 0u);
  EXPECT_EQ(settings.c_oflag & OPOST, 0u);
  EXPECT_EQ(settings.c_cflag & (CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B115200));
}

TEST_F(OpenSerialPortLineTest, SetBaudRateChangesTheOpenLine) {
  const struct {
    std::uint32_t baud;
    speed_t speed;
  } rates[] = {{9600, B9600}, {921600, B921600}, {57600, B57600}};
  for (const auto& rate : rates) {
    SCOPED_TRACE(rate.baud);
    ASSERT_TRUE(line_.setBaudRate(rate.baud)) << line_.errorText();
    termios settings{};
    ASSERT_EQ(tcgetattr(pty_.master(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), rate.speed);
  }
  // A rate no terminal driver names is passed on as well.
  EXPECT_TRUE(line_.setBaudRate(250000)) << line_.errorText();
  EXPECT_TRUE(line_.isOpen());

  line_.close();
  EXPECT_FALSE(line_.setBaudRate(Baud));
}

TEST_F(OpenSerialPortLineTest, ReadReturnsNothingAfterAboutTheWait) {
  constexpr auto wait = 60ms;
  std::uint8_t byte = 0;
  const auto start = Clock::now();
  EXPECT_EQ(line_.read(std::span(&byte, 1), wait), 0u);
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, wait);
  EXPECT_LT(waited, wait + 500ms);
  EXPECT_TRUE(line_.isOpen());
}

TEST_F(OpenSerialPortLineTest, UsedOnAnotherThreadThanTheOneThatOpenedIt) {
  const std::vector<std::uint8_t> request{'p', 'i', 'n', 'g', '\r', '\n'};
  const std::vector<std::uint8_t> reply{'p', 'o', 'n', 'g', 0x03, 0x00};
  bool written = false;
  std::vector<std::uint8_t> answer;
  std::thread recording([&] {
    written = line_.write(request, Patience);
    answer = receive(line_, reply.size());
  });
  EXPECT_EQ(pty_.receive(request.size()), request);
  EXPECT_TRUE(pty_.send(reply));
  recording.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(answer, reply);

  line_.close();
  EXPECT_FALSE(line_.isOpen());
  // Opened again on this thread, the line still works from another.
  ASSERT_TRUE(line_.open(Baud)) << line_.errorText();
  std::thread again([&] { written = line_.write(request, Patience); });
  EXPECT_EQ(pty_.receive(request.size()), request);
  again.join();
  EXPECT_TRUE(written);
}

TEST_F(OpenSerialPortLineTest, ClosingTheMasterMidReadEndsTheLine) {
  std::size_t count = 1;
  Clock::duration waited{};
  std::thread recording([&] {
    std::vector<std::uint8_t> buffer(64);
    const auto start = Clock::now();
    count = line_.read(buffer, 10 * Patience);
    waited = Clock::now() - start;
  });
  std::this_thread::sleep_for(50ms);
  pty_.closeMaster();
  recording.join();
  EXPECT_EQ(count, 0u);
  EXPECT_LT(waited, Patience);
  EXPECT_FALSE(line_.isOpen());
  const std::string whyLost = line_.errorText();
  EXPECT_NE(whyLost.find(pty_.slavePath()), std::string::npos) << whyLost;

  // Later calls fail at once instead of waiting, and the error text still tells why.
  std::uint8_t byte = 0;
  const auto start = Clock::now();
  EXPECT_EQ(line_.read(std::span(&byte, 1), Patience), 0u);
  EXPECT_FALSE(line_.write(std::span(&byte, 1), Patience));
  EXPECT_FALSE(line_.setBaudRate(Baud));
  EXPECT_LT(Clock::now() - start, Patience);
  EXPECT_EQ(line_.errorText(), whyLost);
}

TEST_F(SerialPortLineTest, UnusableDeviceFailsNamingIt) {
  for (const char* device : {"/dev/kelvor-no-such-line", "/dev/null"}) {
    SCOPED_TRACE(device);
    SerialPortLine line(device);
    EXPECT_FALSE(line.open(Baud));
    EXPECT_FALSE(line.isOpen());
    EXPECT_NE(line.errorText().find(device), std::string::npos) << line.errorText();
    EXPECT_EQ(line.name(), device);

    std::uint8_t byte = 0;
    const auto start = Clock::now();
    EXPECT_EQ(line.read(std::span(&byte, 1), Patience), 0u);
    EXPECT_FALSE(line.write(std::span(&byte, 1), Patience));
    EXPECT_LT(Clock::now() - start, Patience);
  }
}

TEST(SerialPortLineWithoutApplicationTest, FailsToOpenSayingWhy) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  PseudoTerminal pty;
  ASSERT_TRUE(pty.valid());
  SerialPortLine line(pty.slavePath());
  EXPECT_FALSE(line.open(Baud));
  EXPECT_FALSE(line.isOpen());
  EXPECT_NE(line.errorText().find("QCoreApplication"), std::string::npos) << line.errorText();
  EXPECT_NE(line.errorText().find(pty.slavePath()), std::string::npos) << line.errorText();
  std::uint8_t byte = 0;
  EXPECT_EQ(line.read(std::span(&byte, 1), Patience / 100), 0u);
  EXPECT_FALSE(line.write(std::span(&byte, 1), Patience));
  EXPECT_FALSE(line.setBaudRate(Baud));
}

}  // namespace
}  // namespace kelvor
