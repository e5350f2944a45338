#include "SerialPortLine.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QThread>
#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace kelvor {

namespace {

// The highest rate QSerialPort takes.
constexpr auto MaxBaud = static_cast<std::uint32_t>(std::numeric_limits<qint32>::max());

// Why the line ended, for the errors that end an open line: the device went away or refuses to
// move bytes. Other errors (a rate the device refuses) are answered by the call that caused them.
// A read that meets the end of the stream leaves a stale system error text, so a failed read
// gets no detail.
std::optional<std::string> whyTheLineEnded(QSerialPort::SerialPortError error,
                                           const QSerialPort& port) {
  switch (error) {
    case QSerialPort::ResourceError:
      return "the device went away (" + port.errorString().toStdString() + ")";
    case QSerialPort::ReadError:
      return std::string("reading from it failed");
    case QSerialPort::WriteError:
      return "writing to it failed (" + port.errorString().toStdString() + ")";
    default:
      return std::nullopt;
  }
}

}  // namespace

SerialPortLine::SerialPortLine(std::string device)
    : device_(std::move(device)),
      thread_(std::make_unique<QThread>()),
      context_(std::make_unique<QObject>()) {
  // Qt hands no event to any object, in any thread, while there is no application object; the
  // port's thread would then take no calls and the port would see no bytes.
  if (QCoreApplication::instance() == nullptr) {
    error_ = "Cannot use " + device_ + ": serial lines need the program's QCoreApplication";
    return;
  }
  thread_->setObjectName(QStringLiteral("SerialPortLine"));
  context_->moveToThread(thread_.get());
  thread_->start();
  if (!thread_->isRunning()) {
    error_ = "Cannot start the thread that serves " + device_;
    return;
  }
  served_ = true;
  runOnPortThread([this] {
    createPort();
    return true;
  });
}

SerialPortLine::~SerialPortLine() {
  if (!served_) {
    return;
  }
  runOnPortThread([this] {
    delete port_;  // closes it
    port_ = nullptr;
    return true;
  });
  thread_->quit();
  thread_->wait();
}

bool SerialPortLine::runOnPortThread(const std::function<bool()>& task) {
  if (!served_) {
    return false;  // errorText() tells why since the construction
  }
  bool result = false;
  QMetaObject::invokeMethod(
      context_.get(), [&] { result = task(); }, Qt::BlockingQueuedConnection);
  return result;
}

void SerialPortLine::setError(std::string text) {
  std::lock_guard lock(mutex_);
  error_ = std::move(text);
}

void SerialPortLine::noteNotOpen() {
  if (served_ && !lost_) {
    error_ = device_ + " is not open";
  }
}

bool SerialPortLine::open(std::uint32_t baud) {
  return runOnPortThread([this, baud] { return openPort(baud); });
}

void SerialPortLine::close() {
  runOnPortThread([this] {
    closePort();
    return true;
  });
}

bool SerialPortLine::isOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

bool SerialPortLine::setBaudRate(std::uint32_t baud) {
  return runOnPortThread([this, baud] {
    {
      std::lock_guard lock(mutex_);
      if (!open_) {
        noteNotOpen();
        return false;
      }
    }
    if (baud > MaxBaud) {
      setError("Cannot set " + device_ + " to " + std::to_string(baud) + " baud: out of range");
      return false;
    }
    if (!port_->setBaudRate(static_cast<qint32>(baud))) {
      setError("Cannot set " + device_ + " to " + std::to_string(baud) +
               " baud: " + port_->errorString().toStdString());
      return false;
    }
    return true;
  });
}

bool SerialPortLine::write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  if (!open_) {
    noteNotOpen();
    return false;
  }
  bytesQueued_ += bytes.size();
  const std::uint64_t target = bytesQueued_;
  QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<qsizetype>(bytes.size()));
  lock.unlock();
  QMetaObject::invokeMethod(
      context_.get(), [this, data] { send(data); }, Qt::QueuedConnection);
  lock.lock();
  if (!changed_.wait_for(lock, wait, [&] { return bytesWritten_ >= target || !open_; })) {
    error_ = "Timed out writing to " + device_;
    return false;
  }
  return bytesWritten_ >= target;
}

std::size_t SerialPortLine::read(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, wait, [&] { return !arrived_.empty() || !open_; });
  const std::size_t count = std::min(buffer.size(), arrived_.size());
  const auto end = arrived_.begin() + static_cast<std::ptrdiff_t>(count);
  std::copy(arrived_.begin(), end, buffer.begin());
  arrived_.erase(arrived_.begin(), end);
  return count;
}

std::string SerialPortLine::errorText() const {
  std::lock_guard lock(mutex_);
  return error_;
}

void SerialPortLine::createPort() {
  port_ = new QSerialPort(context_.get());
  QObject::connect(port_, &QSerialPort::readyRead, context_.get(), [this] { takeArrivedBytes(); });
  QObject::connect(port_, &QSerialPort::bytesWritten, context_.get(),
                   [this](qint64 count) { countWritten(count); });
  QObject::connect(port_, &QSerialPort::errorOccurred, context_.get(),
                   [this](QSerialPort::SerialPortError error) {
                     if (auto why = whyTheLineEnded(error, *port_)) {
                       portFailed(*why);
                     }
                   });
}

bool SerialPortLine::openPort(std::uint32_t baud) {
  closePort();
  if (baud > MaxBaud) {
    setError("Cannot open " + device_ + " at " + std::to_string(baud) + " baud: out of range");
    return false;
  }
  port_->setPortName(QString::fromStdString(device_));
  port_->setBaudRate(static_cast<qint32>(baud));
  port_->setDataBits(QSerialPort::Data8);
  port_->setParity(QSerialPort::NoParity);
  port_->setStopBits(QSerialPort::OneStop);
  port_->setFlowControl(QSerialPort::NoFlowControl);
  if (!port_->open(QIODevice::ReadWrite)) {
    setError("Cannot open " + device_ + ": " + port_->errorString().toStdString());
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    open_ = true;
    lost_ = false;
    arrived_.clear();
    bytesQueued_ = 0;
    bytesWritten_ = 0;
    error_.clear();
  }
  return true;
}

void SerialPortLine::closePort() {
  if (port_->isOpen()) {
    port_->close();
  }
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    lost_ = false;
    arrived_.clear();
  }
  changed_.notify_all();
}

void SerialPortLine::send(const QByteArray& bytes) {
  if (!isOpen()) {
    return;
  }
  if (port_->write(bytes) != bytes.size()) {
    portFailed("writing to it failed (" + port_->errorString().toStdString() + ")");
  }
}

void SerialPortLine::takeArrivedBytes() {
  const QByteArray bytes = port_->readAll();
  if (bytes.isEmpty()) {
    return;
  }
  {
    std::lock_guard lock(mutex_);
    if (!open_) {
      return;
    }
    arrived_.insert(arrived_.end(), bytes.cbegin(), bytes.cend());
  }
  changed_.notify_all();
}

void SerialPortLine::countWritten(std::int64_t count) {
  {
    std::lock_guard lock(mutex_);
    bytesWritten_ += static_cast<std::uint64_t>(count);
  }
  changed_.notify_all();
}

void SerialPortLine::portFailed(const std::string& why) {
  {
    std::lock_guard lock(mutex_);
    if (!open_) {
      return;
    }
    open_ = false;
    lost_ = true;
    error_ = "Lost the line to " + device_ + ": " + why;
  }
  changed_.notify_all();
  // The port reports the error from inside its own notifier, so it is closed once that returns.
  // A port opened again in between is the caller's and stays open.
  QMetaObject::invokeMethod(
      context_.get(),
      [this] {
        if (!isOpen() && port_ != nullptr && port_->isOpen()) {
          port_->close();
        }
      },
      Qt::QueuedConnection);
}

}  // namespace kelvor
