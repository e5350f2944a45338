#include "io/TextTraceImporter.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>

#include "common/TextNumbers.h"
#include "io/LineReader.h"

namespace kelvor {

namespace {

constexpr const char* AddressHintText =
    "Select 'Configuration\\Properties\\Address of MOP-Area' to set the valid address.\n\n";
constexpr const char* ContinueText = "Continue with this address?";
// Data lines looked at before the MOP-area address is questioned.
constexpr std::uint64_t AddressCheckLines = 50;

}  // namespace

namespace listing {

int classifyLine(std::string_view text) {
  const std::size_t first = text.find_first_of("FT");
  if (first == std::string_view::npos) {
    return 0;
  }
  const std::string_view rest = text.substr(first);
  auto beginsWith = [rest](std::string_view phrase) {
    if (rest.size() < phrase.size()) {
      return false;
    }
    for (std::size_t i = 0; i < phrase.size(); ++i) {
      char c = rest[i];
      if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
      }
      if (c != phrase[i]) {
        return false;
      }
    }
    return true;
  };
  if (beginsWith("FLOW ERROR")) {
    return 1;
  }
  if (beginsWith("TRACE ENABLE")) {
    return 2;
  }
  return 0;
}

}  // namespace listing

using namespace listing;

TextTraceImporter::TextTraceImporter(EventStream& stream, const ImportContext& context)
    : stream_(stream),
      context_(context),
      firstEvent_(stream.size()),
      mop_(stream, result_.seenIds) {}

ImportResult TextTraceImporter::importFile(const std::string& path) {
  if (!prepare()) {
    return finish();
  }
  progress_.start(context_.progress);
  std::error_code error;
  std::FILE* file = nullptr;
  if (!std::filesystem::is_directory(path, error)) {
    file = std::fopen(path.c_str(), "rb");
  }
  if (file == nullptr) {
    result_.status = ImportStatus::CannotOpen;
    tell(CannotOpenText, "Error", PromptIcon::Error);
  } else {
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    {
      LineReader reader(file);
      read(traceFileTypeOf(path), reader, error ? 0 : static_cast<std::uint64_t>(size));
    }
    std::fclose(file);
  }
  progress_.close();
  return finish();
}

ImportResult TextTraceImporter::importText(TextTraceFormat format, std::string_view contents) {
  if (!prepare()) {
    return finish();
  }
  progress_.start(context_.progress);
  LineReader reader(contents);
  read(format, reader, contents.size());
  progress_.close();
  return finish();
}

bool TextTraceImporter::prepare() {
  result_.lessThanSeen = false;
  if (!context_.mopBase) {
    result_.status = ImportStatus::NoBaseAddress;
    tell(NoBaseAddressText, ApplicationTitle, PromptIcon::Error);
    return false;
  }
  mopBase_ = *context_.mopBase;
  return true;
}

ImportResult TextTraceImporter::finish() {
  result_.events = stream_.size() - firstEvent_;
  return result_;  // a copy: the decoder keeps marking the importer's own table
}

void TextTraceImporter::reserveFor(TextTraceFormat format, std::uint64_t size) {
  // At most one event per line, and lines shorter than these carry no event in practice. The
  // storage beyond the events actually read is reserved but never touched.
  std::uint64_t bytesPerLine = 24;
  if (format == TextTraceFormat::Tla) {
    bytesPerLine = 12;
  } else if (format != TextTraceFormat::Etm && format != TextTraceFormat::Mes) {
    return;
  }
  constexpr std::uint64_t MaxReserved = std::uint64_t{1} << 27;
  const std::uint64_t estimate = size / bytesPerLine + 16;
  try {
    stream_.reserve(static_cast<std::size_t>(estimate < MaxReserved ? estimate : MaxReserved));
  } catch (const std::bad_alloc&) {
    // Grow as the events come instead.
  }
}

void TextTraceImporter::read(TextTraceFormat format, LineReader& reader, std::uint64_t size) {
  inputSize_ = size;
  progress_.restartClock();
  reserveFor(format, size);
  switch (format) {
    case TextTraceFormat::Tla:
      readTla(reader);
      break;
    case TextTraceFormat::Etm:
      readEtm(reader);
      break;
    case TextTraceFormat::Mes:
      readMes(reader);
      break;
    case TextTraceFormat::None:
    case TextTraceFormat::Run:
      break;
  }
}

void TextTraceImporter::tell(const std::string& text, const char* caption, PromptIcon icon) {
  result_.messagesShown.push_back(text);
  if (context_.prompter != nullptr) {
    context_.prompter->message(text, caption, icon);
  }
}

bool TextTraceImporter::continueWithAddress(const std::string& text, const char* caption) {
  result_.messagesShown.push_back(text);
  Prompter* prompter = context_.prompter;
  if (prompter == nullptr ||
      prompter->askYesNo(text, caption, PromptIcon::Warning) != PromptAnswer::No) {
    return true;
  }
  result_.status = ImportStatus::Abandoned;
  return false;
}

void TextTraceImporter::readTla(LineReader& reader) {
  std::string_view line;
  // A heading line, then the line of column titles: a first title "Sample" means the listing has
  // a sample column before the address and a fourth column before the time.
  if (!reader.next(line) || !reader.next(line)) {
    return;
  }
  LineCursor titles(line);
  const bool sampleColumn = titles.word() == "Sample";
  // The address of a line that ends before its data word. It is taken (with empty data) only
  // when another line follows: the last line of a listing cut short by the end of the file
  // carries no write.
  std::optional<std::uint32_t> cutAddress;
  while (reader.next(line)) {
    if (cutAddress) {
      if (!takeTlaWrite(*cutAddress, {})) {
        return;
      }
      cutAddress.reset();
    }
    countLine(reader);
    LineCursor cursor(line);
    if (sampleColumn) {
      readColumn(cursor);
    }
    LineCursor probe = cursor;
    probe.skipSpace();
    if (probe.atEnd()) {
      continue;  // a blank line carries no write
    }
    const std::string_view address = cursor.word();
    cursor.ignore(4096, '\t');
    const std::string_view data = cursor.word();
    if (data.empty()) {
      cutAddress = parseHexText(address);  // the line has ended: no time follows
      continue;
    }
    cursor.ignore(4096, '\t');
    if (sampleColumn) {
      cursor.ignore(255, ' ');
      cursor.ignore(256, '\t');
    }
    currentTime_ += readTimestamp(cursor, true, result_.lessThanSeen);
    if (!takeTlaWrite(parseHexText(address), data)) {
      return;
    }
  }
}

bool TextTraceImporter::takeTlaWrite(std::uint32_t address, std::string_view data) {
  if (!addressChecked_ && dataLines_ == AddressCheckLines) {
    addressChecked_ = true;
    const std::size_t found = stream_.size() - firstEvent_;
    if (found < 5) {
      const std::string text = "In 50 lines only " + std::to_string(found) +
                               " valid events found!\n\n"
                               " It seems that the address of the MOP-area is not correct.\n"
                               " " +
                               AddressHintText + " " + ContinueText;
      if (!continueWithAddress(text, "Error MOP-area address")) {
        return false;
      }
    }
  }
  ++dataLines_;
  decodeWrite(address - mopBase_, data);
  return true;
}

void TextTraceImporter::readEtm(LineReader& reader) {
  std::string_view line;
  bool lessThanIgnored = false;
  // The address of a line that ends before its cycle type, or before the data of a cycle other
  // than "exec". It is taken (with empty data) only when another line follows: the last line of a
  // listing cut short by the end of the file carries no write.
  std::optional<std::uint32_t> cutAddress;
  while (reader.next(line)) {
    if (cutAddress) {
      if (!takeEtmWrite(*cutAddress, false, {})) {
        return;
      }
      cutAddress.reset();
    }
    countLine(reader);
    // A record line: one leading character, the record number, an access-class prefix closed by
    // ':', the address, the cycle type, the data (except for "exec") and the time difference.
    const char* colon = nullptr;
    if (line.size() >= 2 && isDecimalDigit(line[1])) {
      colon = static_cast<const char*>(std::memchr(line.data() + 1, ':', line.size() - 1));
    }
    if (colon == nullptr) {
      const std::string_view text = line.empty() ? line : line.substr(1);
      if (!flowErrorShown_ && classifyLine(text) == 1) {
        flowErrorShown_ = true;
        tell("Some FLOW ERRORs detected in the .prn file @Line " + std::to_string(linesRead_) +
                 " ! the results might not be as expected :-(, \n",
             "Trace File Parsing Error !", PromptIcon::Warning);
      }
      continue;
    }
    LineCursor cursor(colon + 1, line.data() + line.size());
    const std::uint32_t address = readHexAddress(cursor);
    const std::string_view cycle = cursor.word();
    const bool exec = cycle == "exec";
    const std::string_view data = exec ? std::string_view() : cursor.word();
    if (cycle.empty() || (!exec && data.empty())) {
      cutAddress = address;  // the line has ended: no time follows
      continue;
    }
    currentTime_ += readTimestamp(cursor, false, lessThanIgnored);
    if (!takeEtmWrite(address, exec, data)) {
      return;
    }
  }
}

bool TextTraceImporter::takeEtmWrite(std::uint32_t address, bool exec, std::string_view data) {
  ++dataLines_;
  const std::uint32_t offset = address - mopBase_;
  if (dataLines_ < AddressCheckLines && offset <= 40) {
    ++inRangeLines_;
  }
  if (!addressChecked_ && dataLines_ == AddressCheckLines) {
    addressChecked_ = true;
    if (inRangeLines_ <= 5) {
      const std::string text = "In 50 lines only " + std::to_string(inRangeLines_) +
                               " events with right MOP-Area Address found\n"
                               "It seems that the address of the MOP-Area is not correct.\n " +
                               AddressHintText + " " + ContinueText;
      if (!continueWithAddress(text, "Error MOP-Area address")) {
        return false;
      }
    }
  }
  if (!exec) {
    decodeWrite(offset, data);
  }
  return true;
}

}  // namespace kelvor
