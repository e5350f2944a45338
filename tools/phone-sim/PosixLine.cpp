#include "PosixLine.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace kelvor::phonesim {

namespace {

// The termios speed of a baud rate; B0 for a rate the system has no constant for.
speed_t speedOf(std::uint32_t baud) {
  switch (baud) {
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 921600:
      return B921600;
#ifdef B4000000
    case 1000000:
      return B1000000;
    case 2000000:
      return B2000000;
    case 4000000:
      return B4000000;
#endif
    default:
      return B0;
  }
}

bool makeRaw(int fd, speed_t speed) {
  termios mode{};
  if (tcgetattr(fd, &mode) != 0) {
    return false;
  }
  cfmakeraw(&mode);
  mode.c_cflag |= CLOCAL | CREAD;
  mode.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB | PARENB);
  mode.c_cc[VMIN] = 0;
  mode.c_cc[VTIME] = 0;
  if (speed != B0 && (cfsetispeed(&mode, speed) != 0 || cfsetospeed(&mode, speed) != 0)) {
    return false;
  }
  // Bytes already queued go out at the old rate first.
  return tcsetattr(fd, TCSADRAIN, &mode) == 0;
}

int waitFor(int fd, short events, std::chrono::milliseconds wait) {
  pollfd entry{fd, events, 0};
  int ready = 0;
  do {
    ready = ::poll(&entry, 1, static_cast<int>(wait.count()));
  } while (ready < 0 && errno == EINTR);
  return ready;
}

}  // namespace

std::unique_ptr<PosixLine> PosixLine::openPseudoTerminal(std::string& error) {
  std::unique_ptr<PosixLine> line(new PosixLine());
  line->pseudo_ = true;
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    error = std::string("no pseudo-terminal could be made: ") + std::strerror(errno);
    if (master >= 0) {
      ::close(master);
    }
    return nullptr;
  }
  line->fd_ = master;
  line->slavePath_ = ptsname(master);
  line->slaveFd_ = ::open(line->slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (line->slaveFd_ < 0 || !makeRaw(line->slaveFd_, B0)) {
    error =
        "the pseudo-terminal " + line->slavePath_ + " cannot be set up: " + std::strerror(errno);
    return nullptr;
  }
  return line;
}

PosixLine::PosixLine(std::string devicePath) : devicePath_(std::move(devicePath)) {}

PosixLine::~PosixLine() {
  close();
  if (slaveFd_ >= 0) {
    ::close(slaveFd_);
  }
}

void PosixLine::fail(const std::string& what) {
  error_ = what + " " + name() + ": " + std::strerror(errno);
}

bool PosixLine::open(std::uint32_t baud) {
  if (pseudo_) {
    return fd_ >= 0;
  }
  close();
  fd_ = ::open(devicePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) {
    fail("cannot open");
    return false;
  }
  if (!makeRaw(fd_, speedOf(baud))) {
    fail("cannot set up");
    close();
    return false;
  }
  return true;
}

void PosixLine::close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

bool PosixLine::setBaudRate(std::uint32_t baud) {
  if (fd_ < 0) {
    return false;
  }
  // A pseudo-terminal carries bytes at any rate.
  return pseudo_ || makeRaw(fd_, speedOf(baud));
}

bool PosixLine::write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::size_t done = 0;
  while (fd_ >= 0 && done < bytes.size()) {
    const ssize_t written = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno != EAGAIN && errno != EINTR) {
      fail("cannot write to");
      return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || waitFor(fd_, POLLOUT, left) < 0) {
      error_ = "timed out writing to " + name();
      return false;
    }
  }
  return done == bytes.size();
}

std::size_t PosixLine::read(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait) {
  if (fd_ < 0 || waitFor(fd_, POLLIN, wait) <= 0) {
    return 0;
  }
  const ssize_t count = ::read(fd_, buffer.data(), buffer.size());
  if (count > 0) {
    return static_cast<std::size_t>(count);
  }
  if (count < 0 && errno != EAGAIN && errno != EINTR) {
    fail("cannot read from");
    // A pseudo-terminal whose other side is closed reports an error until it is reopened; the
    // wait keeps this from spinning.
    waitFor(-1, 0, wait);
  }
  return 0;
}

}  // namespace kelvor::phonesim
