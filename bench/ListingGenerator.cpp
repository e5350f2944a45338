#include "ListingGenerator.h"

#include <array>

#include <string>
#include <vector>
#include "BenchSupport.h"

namespace kelvor::bench {

namespace {

constexpr std::array<std::uint16_t, 12> kProcesses = {
    0x0101, 0x0102, 0x0105, 0x0203, 0x0310, 0x12FF, 0x13FF, 0x00FE, 0xC0FF, 0xC1FF, 0x8CFF, 0x00FD};
constexpr std::size_t kMaxInterruptDepth = 5;
constexpr std::uint32_t kIrqFlag = 0x80000000u;

// MOP-area offsets of the writes.
enum Offset : std::uint32_t {
  StartProc = 0,
  EndProc = 2,
  IrqPriority = 4,
  IrqType = 6,
  StartIrq = 8,
  EndIrq = 10,
  ClockSpeed = 14,
  UserMark = 16,
  UserEnter = 20,
  UserExit = 22,
};

class Writer {
 public:
  Writer(std::FILE* out, const ListingOptions& options)
      : out_(out), options_(options), random_(options.seed) {
    buffer_.reserve(kFlushSize + 1024);
  }

  ListingSummary run() {
    heading();
    while (!done()) {
      noise();
      event();
    }
    flush();
    return summary_;
  }

 private:
  static constexpr std::size_t kFlushSize = 1 << 20;

  bool prn() const { return options_.kind == ListingKind::Prn; }
  std::uint32_t base() const { return prn() ? 0xC0000020u : 0x20u; }
  bool done() const {
    return (options_.events != 0 && summary_.events >= options_.events) ||
           (options_.bytes != 0 && summary_.bytes + buffer_.size() >= options_.bytes) ||
           (options_.events == 0 && options_.bytes == 0);
  }

  void put(const char* text, std::size_t length) {
    buffer_.append(text, length);
    ++summary_.lines;
    if (buffer_.size() >= kFlushSize) {
      flush();
    }
  }
  void flush() {
    summary_.bytes += std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
  }

  void heading() {
    if (prn()) {
      const char head[] =
          "____record___address______cycle_____data______________ti.back\r\n"
          "                                                        \r\n";
      buffer_ += head;
      summary_.lines += 2;
    } else {
      buffer_ +=
          "Listing export, module 1\r\n"
          "Sample\tAddress\tData\tCycle Type\tTimestamp\r\n";
      summary_.lines += 2;
    }
  }

  // A time difference: mostly tens of nanoseconds, now and then microseconds.
  void timeText(char* text, std::size_t size) {
    const std::uint32_t roll = random_.below(100);
    if (roll < 80) {
      std::snprintf(text, size, "%u.%03u%s", 10 + random_.below(190), random_.below(1000),
                    prn() ? "ns" : " ns");
    } else {
      std::snprintf(text, size, "%u.%03u%s", 1 + random_.below(40), random_.below(1000),
                    prn() ? "us" : " us");
    }
  }

  void line(const char* cycle, std::uint32_t address, std::uint32_t data, bool hasData) {
    char time[32];
    timeText(time, sizeof time);
    char text[160];
    int length;
    ++record_;
    if (prn()) {
      if (hasData) {
        length =
            std::snprintf(text, sizeof text, "-%09llu  D:%08X  %-8s %08X  %14s\r\n",
                          static_cast<unsigned long long>(record_), address, cycle, data, time);
      } else {
        length = std::snprintf(text, sizeof text, "-%09llu  P:%08X  %-8s %8s  %14s\r\n",
                               static_cast<unsigned long long>(record_), address, cycle, "", time);
      }
    } else {
      length = std::snprintf(text, sizeof text, "%llu\t%08X\t%08X\t%s\t%12s\r\n",
                             static_cast<unsigned long long>(record_), address, data,
                             hasData ? "MEM WR" : "MEM RD", time);
    }
    put(text, static_cast<std::size_t>(length));
  }

  void write(std::uint32_t offset, std::uint32_t data) {
    line("wr-long", base() + offset, data, true);
  }

  // Lines that carry no event: executed instructions and writes outside the MOP area.
  void noise() {
    const std::uint32_t count = random_.below(4);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t address = 0x00010000u + 4 * random_.below(0x4000);
      if (prn() && random_.below(3) != 0) {
        line("exec", address, 0, false);
      } else {
        line("wr-word", 0x08000000u + address, random_.below(0x10000), true);
      }
    }
    if (prn() && random_.below(4000) == 0) {
      const char enable[] = "                         TRACE ENABLE\r\n";
      put(enable, sizeof enable - 1);
    }
  }

  void event() {
    ++summary_.events;
    if (open_.empty()) {
      if (random_.below(20) == 0) {
        write(ClockSpeed, 2 + random_.below(9));
      } else {
        const std::uint16_t id = kProcesses[random_.below(kProcesses.size())];
        write(StartProc, id);
        open_.push_back(id);
      }
      return;
    }
    const std::uint32_t roll = random_.below(100);
    const std::size_t interrupts = open_.size() - 1;
    if (roll < 25 && interrupts < kMaxInterruptDepth) {
      const std::uint32_t irq = 1 + random_.below(24);
      write(IrqType, 0x0100u | random_.below(8));
      write(IrqPriority, 1 + random_.below(15));
      write(StartIrq, irq);
      open_.push_back(irq | kIrqFlag);
    } else if (roll < 70) {
      const std::uint32_t top = open_.back();
      open_.pop_back();
      if ((top & kIrqFlag) != 0) {
        write(EndIrq, top & ~kIrqFlag);
      } else {
        write(EndProc, top);
      }
    } else if (roll < 76) {
      write(ClockSpeed, 2 + random_.below(9));
    } else if (roll < 88) {
      write(UserMark, 1 + random_.below(8));
    } else {
      write(random_.below(2) == 0 ? UserEnter : UserExit, 1 + random_.below(8));
    }
  }

  std::FILE* out_;
  ListingOptions options_;
  Random random_;
  std::string buffer_;
  std::vector<std::uint32_t> open_;
  std::uint64_t record_ = 0;
  ListingSummary summary_;
};

}  // namespace

ListingSummary writeListing(std::FILE* out, const ListingOptions& options) {
  return Writer(out, options).run();
}

bool writeListingFile(const std::string& path, const ListingOptions& options,
                      ListingSummary* summary) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    return false;
  }
  const ListingSummary written = writeListing(out, options);
  const bool ok = std::ferror(out) == 0;
  if (std::fclose(out) != 0 || !ok) {
    return false;
  }
  if (summary != nullptr) {
    *summary = written;
  }
  return true;
}

}  // namespace kelvor::bench
