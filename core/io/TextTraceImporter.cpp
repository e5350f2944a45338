#include "io/TextTraceImporter.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>

#include "common/TextNumbers.h"
#include "io/LineReader.h"
#include "io/ListingPieces.h"

namespace kelvor {

namespace {

constexpr const char* AddressHintText =
    "Select 'Configuration\\Properties\\Address of MOP-Area' to set the valid address.\n\n";
constexpr const char* ContinueText = "Continue with this address?";
// Data lines looked at before the MOP-area address is questioned.
constexpr std::uint64_t AddressCheckLines = 50;

}  // namespace

namespace listing {

std::optional<bool> tlaHeading(LineReader& reader) {
  std::string_view line;
  if (!reader.next(line) || !reader.next(line)) {
    return std::nullopt;
  }
  LineCursor titles(line);
  return titles.word() == "Sample";
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
    const std::uint64_t known = error ? 0 : static_cast<std::uint64_t>(size);
    const TextTraceFormat format = traceFileTypeOf(path);
    if (!readInPieces(format, *fileInput(path, known))) {
      LineReader reader(file);
      read(format, reader, known);
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
  if (!readInPieces(format, *textInput(contents))) {
    LineReader reader(contents);
    read(format, reader, contents.size());
  }
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

void TextTraceImporter::startReading(TextTraceFormat format, std::uint64_t size) {
  inputSize_ = size;
  progress_.restartClock();
  reserveFor(format, size);
}

void TextTraceImporter::read(TextTraceFormat format, LineReader& reader, std::uint64_t size) {
  startReading(format, size);
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

template <class Parser>
void TextTraceImporter::readListing(LineReader& reader, const Parser& parse, TakeLine take) {
  std::string_view line;
  ListingLine record;
  // A line that ends before its data word is taken (with empty data) only when another line
  // follows: the last line of a listing cut short by the end of the file carries no write.
  std::optional<ListingLine> cut;
  while (reader.next(line)) {
    if (cut) {
      if (!(this->*take)(*cut)) {
        return;
      }
      cut.reset();
    }
    countLine(reader);
    parse(line, record);
    if (record.kind == ListingLine::Kind::Cut) {
      cut = record;
    } else if (!(this->*take)(record)) {
      return;
    }
  }
}

void TextTraceImporter::readTla(LineReader& reader) {
  if (const std::optional<bool> sampleColumn = tlaHeading(reader)) {
    readListing(reader, TlaLineParser(mopBase_, *sampleColumn), &TextTraceImporter::takeTlaLine);
  }
}

void TextTraceImporter::readEtm(LineReader& reader) {
  readListing(reader, EtmLineParser(mopBase_), &TextTraceImporter::takeEtmLine);
}

bool TextTraceImporter::takeTlaLine(const ListingLine& line) {
  switch (line.kind) {
    case ListingLine::Kind::Write:
    case ListingLine::Kind::Exec:
      result_.lessThanSeen = result_.lessThanSeen || line.lessThan;
      currentTime_ += line.delta;
      return takeTlaWrite(line.offset, line.value);
    case ListingLine::Kind::Cut:
      return takeTlaWrite(line.offset, 0);
    case ListingLine::Kind::Nothing:
    case ListingLine::Kind::FlowError:
      break;
  }
  return true;
}

bool TextTraceImporter::takeTlaWrite(std::uint32_t offset, std::uint32_t value) {
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
  mop_.decode(offset, value, currentTime_);
  return true;
}

bool TextTraceImporter::takeEtmLine(const ListingLine& line) {
  switch (line.kind) {
    case ListingLine::Kind::Write:
      currentTime_ += line.delta;
      return takeEtmWrite(line.offset, false, line.value);
    case ListingLine::Kind::Exec:
      currentTime_ += line.delta;
      return takeEtmWrite(line.offset, true, 0);
    case ListingLine::Kind::Cut:
      return takeEtmWrite(line.offset, false, 0);
    case ListingLine::Kind::FlowError:
      if (!flowErrorShown_) {
        flowErrorShown_ = true;
        tell("Some FLOW ERRORs detected in the .prn file @Line " + std::to_string(linesRead_) +
                 " ! the results might not be as expected :-(, \n",
             "Trace File Parsing Error !", PromptIcon::Warning);
      }
      break;
    case ListingLine::Kind::Nothing:
      break;
  }
  return true;
}

bool TextTraceImporter::takeEtmWrite(std::uint32_t offset, bool exec, std::uint32_t value) {
  ++dataLines_;
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
    mop_.decode(offset, value, currentTime_);
  }
  return true;
}

bool TextTraceImporter::takeMesLine(const MesLine& line) {
  if (line.setsTime) {
    currentTime_ = line.event.time;
  }
  if (line.hasEvent) {
    if (line.event.kind == EventKind::START_PROC) {
      appendStartProc(line.event.time, line.event.id);
    } else {
      append(line.event);
    }
  }
  return true;
}

}  // namespace kelvor
