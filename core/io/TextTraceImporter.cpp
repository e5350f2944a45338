#include "io/TextTraceImporter.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>

#include "common/TextNumbers.h"
#include "io/LineReader.h"
#include "io/ListingPieces.h"

namespace kelvor {

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

}  // namespace kelvor
