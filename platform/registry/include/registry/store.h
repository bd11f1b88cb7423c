// The registry store seen from the project's own code: where the hives are, what went wrong with
// them, and the whole-key operations that the command-line tool and the program need beyond the
// Win32 functions of <registry/registry.h>.
#pragma once

#include <registry/registry.h>

#include <string>
#include <string_view>
#include <vector>

namespace registry {

// The directory of the hive files, as the environment names it now: NETPANEL_REGISTRY_DIR, else
// $XDG_CONFIG_HOME/netpanel/registry, else ~/.config/netpanel/registry.
std::string hiveDirectory();

// The text of the last hive failure of this process, "FILE:LINE: what is wrong" for a hive that
// cannot be parsed (the calls answered ERROR_BADDB) or "FILE: what failed" for a file that could
// not be read or written (ERROR_REGISTRY_IO_FAILED, ERROR_ACCESS_DENIED). Empty when none.
std::string lastHiveError();

struct ValueEntry {
    std::string name;  // empty for the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;  // REG_SZ: the text without its terminating NUL
};

// The values of an open key, in the order they were first set.
LONG enumValues(HKEY key, std::vector<ValueEntry>& values);

// The key `subKey` of `key` (null or empty: `key` itself) and everything below it as a REGEDIT4
// file, written exactly as the hives are.
LONG exportKey(HKEY key, LPCSTR subKey, std::string& text);

enum class ExportForm {
    kAutomatic,  // kUnicode when a name or text is not ASCII and all are UTF-8, else kRegedit4
    kRegedit4,   // "REGEDIT4", 8-bit text as stored
    kUnicode,    // "Windows Registry Editor Version 5.00" in UTF-16LE with a byte-order mark
};

// The key `subKey` of `key` (null or empty: `key` itself) and everything below it as regedit's
// export writes it, with CRLF line ends, so that regedit reads the same characters back: the
// store's texts taken as UTF-8 in the kUnicode form. A name or text that is not UTF-8 cannot be
// written in that form: ERROR_NO_UNICODE_TRANSLATION with `problem` naming it.
LONG exportFile(HKEY key, LPCSTR subKey, ExportForm form, std::string& bytes, std::string& problem);

// Merges a regedit file into the hives, as regedit imports one: "REGEDIT4" (8-bit text, stored
// as it is) or "Windows Registry Editor Version 5.00" (UTF-16LE or UTF-8, with or without a
// byte-order mark; texts stored as UTF-8), LF or CRLF lines. Keys and values are added or
// replaced, "[-KEY]" deletes a key with its subtree and "NAME"=- deletes a value. Each hive is
// changed in one atomic step. A file that cannot be parsed changes nothing and answers
// ERROR_INVALID_DATA with `error` set to "ORIGIN:LINE: what is wrong"; a failure of a hive
// answers its code with `error` set to the hive's failure.
LONG importText(std::string_view text, std::string_view origin, std::string& error);

}  // namespace registry
