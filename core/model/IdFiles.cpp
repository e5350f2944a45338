#include "model/IdFiles.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>

#include "common/Prompter.h"
#include "common/TextCursor.h"
#include "common/TextNumbers.h"

namespace kelvor {
namespace idfiles {

namespace {

// One entry of a PID header. Kept across entries: a value the reader cannot read keeps what the
// previous entry left.
struct HeaderRecord {
  std::string name;
  std::uint32_t value = 0;
  std::uint32_t priority = UnknownPriority;
};

// Reads words up to the next "#define", writing each to the console. False when the text ends
// first, which ends the reader.
bool findDefine(TextCursor& in, std::ostream* console) {
  std::string_view word;
  for (;;) {
    if (!in.readWord(word)) {
      return false;
    }
    if (console != nullptr) {
      *console << word << '\n';
    }
    if (in.eof()) {
      return false;
    }
    if (word == "#define") {
      return true;
    }
    in.ignoreThrough('\n');
  }
}

void readName(TextCursor& in, HeaderRecord& record) {
  std::string_view word;
  if (in.readWord(word)) {
    record.name.assign(word);
  }
}

void skipWords(TextCursor& in, int count) {
  std::string_view word;
  for (int i = 0; i < count; ++i) {
    in.readWord(word);
  }
}

void skipLines(TextCursor& in, int count) {
  for (int i = 0; i < count; ++i) {
    in.ignoreThrough('\n');
  }
}

// "#define NAME VALUE ... // ..." sections: after "#define", two slashes, name and value, the
// rest of the line; two slashes, one word, the priority; the rest of that line and two more.
void readProcessesEntry(TextCursor& in, HeaderRecord& record) {
  in.ignoreThrough('/');
  in.ignoreThrough('/');
  readName(in, record);
  in.readUnsigned(record.value);
  skipLines(in, 1);
  in.ignoreThrough('/');
  in.ignoreThrough('/');
  skipWords(in, 1);
  in.readUnsigned(record.priority);
  skipLines(in, 3);
}

// "NO_PROCESS_EXISTS" sections: name and value after "#define", the rest of the line; two
// words, the priority; the rest of that line and three more.
void readNoProcessEntry(TextCursor& in, HeaderRecord& record) {
  readName(in, record);
  in.readUnsigned(record.value);
  skipLines(in, 1);
  skipWords(in, 2);
  in.readUnsigned(record.priority);
  skipLines(in, 4);
}

bool containsMembersMax(std::string_view word) {
  static constexpr std::string_view marker = "MEMBERSMAX";
  if (word.size() < marker.size()) {
    return false;
  }
  for (std::size_t start = 0; start + marker.size() <= word.size(); ++start) {
    std::size_t i = 0;
    while (i < marker.size()) {
      char c = word[start + i];
      if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
      }
      if (c != marker[i]) {
        break;
      }
      ++i;
    }
    if (i == marker.size()) {
      return true;
    }
  }
  return false;
}

void skipTabs(TextCursor& in) {
  while (in.peek() == '\t') {
    in.readChars(1);
  }
}

}  // namespace

bool readSmallFile(const std::string& path, std::string& text) {
  text.clear();
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size > MaxFileSize) {
    return false;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) {
    return false;
  }
  char chunk[1 << 16];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
    if (text.size() + got > MaxFileSize) {
      text.clear();
      return false;
    }
    text.append(chunk, got);
    if (got < sizeof chunk) {
      break;
    }
  }
  if (std::ferror(file.get()) != 0) {
    text.clear();
    return false;
  }
  return true;
}

void readPidHeader(std::string_view text, ProcessTable& table, std::ostream* console) {
  TextCursor in(text);
  std::uint32_t kind = 0;
  std::string_view word;
  while (kind == 0) {
    if (!in.readWord(word)) {
      return;  // no section marker: no entries
    }
    if (word == "THE_LAST_PROCESS" || word == "GBS_MAX_PROCESSES") {
      kind = OriginHeaderProcesses;
    } else if (word == "NO_PROCESS_EXISTS") {
      kind = OriginHeaderNoProcess;
    }
  }
  in.ignoreThrough('\n');

  HeaderRecord record;
  while (!in.eof()) {
    // A malformed entry leaves the cursor failed; the next entry starts afresh.
    in.clear();
    if (!findDefine(in, console)) {
      return;
    }
    if (kind == OriginHeaderProcesses) {
      readProcessesEntry(in, record);
    } else {
      readNoProcessEntry(in, record);
    }
    table.store(record.name, record.value, record.priority, kind);
  }
}

void readIdList(std::string_view text, ProcessTable& table) {
  TextCursor in(text);
  std::string_view name;
  while (!in.eof()) {
    in.clear();
    // A line without a name (blank lines, the end of the file) creates nothing.
    bool named = false;
    while (!named) {
      if (!in.readWord(name)) {
        return;
      }
      named = !containsMembersMax(name);
    }
    skipTabs(in);
    in.readChars(2);  // "0x"
    const std::uint32_t value = parseHexText(in.readChars(4));
    std::uint32_t priority = UnknownPriority;
    if (in.peek() != '\t') {
      in.ignoreThrough('\n');
    } else {
      skipTabs(in);
      in.readChars(2);  // "0x"
      const std::string_view priorityText = in.readInLine(8);
      if (priorityText != "ffffff00") {
        priority = parseHexText(priorityText);
      }
    }
    table.store(std::string(name), value, priority, OriginIdList);
  }
}

}  // namespace idfiles

namespace {

void warn(Prompter* prompter, const char* text) {
  if (prompter != nullptr) {
    prompter->message(text, idfiles::WarningCaption, PromptIcon::Warning);
  }
}

}  // namespace

ProcessTable loadIdFiles(const std::string& pidPath, const std::string& interruptPath,
                         Prompter* prompter, std::ostream* console) {
  ProcessTable table;
  std::string text;
  if (!interruptPath.empty()) {
    if (idfiles::readSmallFile(interruptPath, text)) {
      idfiles::readPidHeader(text, table, console);
    } else {
      warn(prompter, idfiles::InterruptPathMessage);
    }
  }

  enum class Reader { None, Header, List };
  Reader reader = Reader::None;
  const char* failure = nullptr;
  if (pidPath.find(".h") != std::string::npos) {
    reader = Reader::Header;
    failure = idfiles::HeaderPidMessage;
  } else if (pidPath.find(".txt") != std::string::npos) {
    reader = Reader::List;
    failure = idfiles::TxtPidMessage;
  } else if (pidPath.find(".cepid") != std::string::npos) {
    reader = Reader::List;
    failure = idfiles::CepidPidMessage;
  }

  if (reader == Reader::None) {
    if (!pidPath.empty()) {
      warn(prompter, idfiles::NoPidKindMessage);
    }
  } else if (!idfiles::readSmallFile(pidPath, text)) {
    warn(prompter, failure);
  } else if (reader == Reader::Header) {
    idfiles::readPidHeader(text, table, console);
  } else {
    idfiles::readIdList(text, table);
  }
  return table;
}

}  // namespace kelvor
