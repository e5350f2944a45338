#include "io/MesFile.h"

#include <charconv>
#include <string_view>

#include "common/AtomicFile.h"

namespace kelvor {

namespace {

constexpr std::size_t ChunkSize = 1 << 20;
// Room for the longest line: a time near the largest double printed with six decimals is about
// 320 characters.
constexpr std::size_t LineRoom = 1024;

char* putHex(char* out, char* end, std::uint32_t value) {
  *out++ = '0';
  *out++ = 'x';
  return std::to_chars(out, end, value, 16).ptr;
}

char* putText(char* out, std::string_view text) {
  for (const char c : text) {
    *out++ = c;
  }
  return out;
}

// Formats one event as "%d\t%lf\t0x%x\t%s\t0x%x\t0x%x\r\n".
char* putEvent(char* out, char* end, std::size_t index, const TraceEvent& event) {
  out = std::to_chars(out, end, index).ptr;
  *out++ = '\t';
  // to_chars with a precision formats exactly as printf's "%.6f" does, "inf" and "nan" included.
  out = std::to_chars(out, end, event.time, std::chars_format::fixed, 6).ptr;
  *out++ = '\t';
  out = putHex(out, end, eventKey(event));
  *out++ = '\t';
  out = putText(out, kindName(event.kind));
  *out++ = '\t';
  out = putHex(out, end, event.number);
  *out++ = '\t';
  out = putHex(out, end, event.address);
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

bool writeEvents(const EventStream& stream, const std::string& path, bool excluding,
                 std::uint32_t from, std::uint32_t to) {
  AtomicFileWriter writer(path);
  if (!writer.isOpen()) {
    return false;
  }
  std::string chunk(ChunkSize + LineRoom, '\0');
  char* const begin = chunk.data();
  char* const end = begin + chunk.size();
  char* out = putText(begin, "MES\r\n");
  for (std::size_t index = 0; index < stream.size(); ++index) {
    if (excluding && from <= index && index <= to) {
      continue;
    }
    out = putEvent(out, end, index, stream[index]);
    if (static_cast<std::size_t>(out - begin) >= ChunkSize) {
      writer.write(std::string_view(begin, static_cast<std::size_t>(out - begin)));
      out = begin;
    }
  }
  writer.write(std::string_view(begin, static_cast<std::size_t>(out - begin)));
  return writer.commit();
}

}  // namespace

bool writeMesFile(const EventStream& stream, const std::string& path) {
  return writeEvents(stream, path, false, 0, 0);
}

bool writeMesFileExcept(const EventStream& stream, const std::string& path, std::uint32_t from,
                        std::uint32_t to) {
  return writeEvents(stream, path, true, from, to);
}

}  // namespace kelvor
