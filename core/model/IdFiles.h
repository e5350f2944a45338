#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

#include "model/ProcessTable.h"

namespace kelvor {

class Prompter;

// Readers of the ID decoding files the firmware build produces: a C header with "#define" lines
// (process ids, and the interrupt sources), or a tab-separated list of names, ids and priorities
// (".txt" / ".cepid"). Each reader stores every record it reads into a table; a later record with
// the same id overwrites the earlier one.
namespace idfiles {

// Files larger than this are not read (ID files are a few kilobytes); they are reported like a
// file that cannot be opened.
inline constexpr std::size_t MaxFileSize = std::size_t{64} << 20;

inline constexpr const char* WarningCaption = "Warning";
inline constexpr const char* InterruptPathMessage =
    "Invalid Interrupt Source Path/File Name ! Please change the file path in the menu "
    "\"configuration\\ID File\\Interrupt sources\"";
inline constexpr const char* HeaderPidMessage =
    "Invalid (.h) PID Source Path/File Name ! Please change the file path in the menu "
    "\"configuration\\ID File\\PID File\"";
inline constexpr const char* TxtPidMessage =
    "Invalid (.txt) PID Source Path/File Name ! Please change the file path in the menu "
    "\"configuration\\ID File\\PID File\"";
inline constexpr const char* CepidPidMessage =
    "Invalid (.cepid) PID Source Path/File Name ! Please change the file path in the menu "
    "\"configuration\\ID File\\PID File\"";
inline constexpr const char* NoPidKindMessage =
    "Enter Proper PID Source File Name (.h/.txt/.cepid) in Configuration Window";

// Reads a whole file into `text`. False when it cannot be opened or read, or is larger than
// MaxFileSize.
bool readSmallFile(const std::string& path, std::string& text);

// The PID header reader. Looks for the first section marker word ("THE_LAST_PROCESS" or
// "GBS_MAX_PROCESSES": entries of origin 1; "NO_PROCESS_EXISTS": origin 2), then reads one entry
// per "#define" up to the end of the text. Every word read while looking for a "#define" is
// written to `console` (may be null) followed by an end of line. A text without a marker gives
// no entries.
void readPidHeader(std::string_view text, ProcessTable& table, std::ostream* console);

// The ID list reader: one entry per line, name, tab(s), "0x" and four hex digits of the id,
// optionally tab(s), "0x" and up to eight hex digits of the priority ("ffffff00" or no priority
// column: unknown). Words containing "MEMBERSMAX" before the name are passed over. Origin 3.
void readIdList(std::string_view text, ProcessTable& table);

}  // namespace idfiles

// Builds a new table from the interrupt-sources header (when its path is not empty) and the PID
// file, whose reader is chosen by the first of ".h", ".txt", ".cepid" found anywhere in the path.
// Unreadable files are reported through `prompter` (may be null) with a "Warning" message and
// skipped; the table keeps what the other file gave.
ProcessTable loadIdFiles(const std::string& pidPath, const std::string& interruptPath,
                         Prompter* prompter, std::ostream* console);

}  // namespace kelvor
