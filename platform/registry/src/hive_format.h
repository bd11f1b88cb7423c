// The REGEDIT4 text format of the hive files and of exported keys:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Key]
//   @="default value"
//   "Text"="with \\ and \" escaped"
//   "Number"=dword:0000000a
//   "Bytes"=hex:0a,ff
//   "Other"=hex(7):61,00,00
//
// Reading also accepts the "Windows Registry Editor Version 5.00" form of regedit, in UTF-16LE
// (with or without its byte-order mark) or UTF-8 (with or without one): its texts are kept as
// UTF-8, the data of hex(1), hex(2) and hex(7) values too (UTF-16LE in the file). Besides that:
// CRLF line ends, blank lines, ';' comment lines, hex lists continued over
// several lines with a '\' at the end of each, "[-KEY]" (delete the key) and "NAME"=- (delete
// the value).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "key_tree.h"
#include "names.h"

namespace registry {

struct ValueChange {
    int line = 0;
    std::string name;
    std::optional<Value> value;  // none: delete the value
};

struct Section {
    int line = 0;
    Root root = Root::kCurrentUser;
    std::vector<std::string> path;  // below the root
    bool remove = false;            // "[-KEY]"
    std::vector<ValueChange> values;
};

struct FormatError {
    int line = 0;
    std::string what;
};

struct ParsedFile {
    std::vector<Section> sections;
    std::optional<FormatError> error;
};

// The file's bytes as they were read.
ParsedFile parseRegFile(std::string_view bytes);

// Applies one section to the tree of its root; false when nothing changed.
bool applySection(const Section& section, Key& root);

// `key` and everything below it as a REGEDIT4 file; `fullName` is the key's full name
// ("HKEY_CURRENT_USER\Software\Key"). Subkeys come in the registry's order, each key's values in
// theirs, so that a file read back and written again is the same to the byte.
std::string writeRegFile(const Key& key, const std::string& fullName);

enum class FileForm {
    kRegedit4,  // "REGEDIT4", 8-bit text as stored
    kUnicode,   // "Windows Registry Editor Version 5.00", UTF-16LE with a byte-order mark
};

// The form that regedit reads the same characters back from: kUnicode when a name or text below
// `key` is not ASCII and all of them are UTF-8, else kRegedit4 (bytes as they are stored).
FileForm preferredForm(const Key& key, const std::string& fullName);

// `key` as regedit's export writes it: CRLF lines, in `form`. For kUnicode every name and text
// must be UTF-8: else nullopt with `problem` naming the first one that is not.
std::optional<std::string> writeExportFile(const Key& key, const std::string& fullName,
                                           FileForm form, std::string& problem);

}  // namespace registry
