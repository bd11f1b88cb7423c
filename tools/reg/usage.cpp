// The texts of "reg /?" and "reg OPERATION /?".
#include <iostream>

#include "console.h"

namespace regtool {
namespace {

constexpr char kGeneral[] =
    "\n"
    "REG Operation [Parameter List]\n"
    "\n"
    "  Operation  [ QUERY   | ADD    | DELETE  | EXPORT  | IMPORT ]\n"
    "\n"
    "Return Code:\n"
    "\n"
    "  0 - Successful\n"
    "  1 - Failed\n"
    "\n"
    "For help on a specific operation type:\n"
    "\n"
    "  REG Operation /?\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG QUERY /?\n"
    "  REG ADD /?\n"
    "  REG DELETE /?\n"
    "  REG EXPORT /?\n"
    "  REG IMPORT /?\n";

constexpr char kKeyName[] =
    "  KeyName    ROOTKEY[\\SubKey]\n"
    "    ROOTKEY  [ HKLM | HKCU ] (or HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER)\n"
    "    SubKey   The full name of a registry key under the selected ROOTKEY.\n"
    "\n";

constexpr char kQuery[] =
    "\n"
    "REG QUERY KeyName [/v ValueName | /ve] [/s]\n"
    "\n"
    "%KEYNAME%"
    "  /v       Queries for a specific registry key value.\n"
    "           If omitted, all values for the key are queried.\n"
    "\n"
    "  /ve      Queries for the default value or empty value name (Default).\n"
    "\n"
    "  /s       Queries all subkeys and values recursively (like dir /s).\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG QUERY HKCU\\Software\\Netpanel /v Version\n"
    "    Displays the value of the registry value Version\n"
    "\n"
    "  REG QUERY HKLM\\Software\\Netpanel /s\n"
    "    Displays all subkeys and values under the key HKLM\\Software\\Netpanel\n";

constexpr char kAdd[] =
    "\n"
    "REG ADD KeyName [/v ValueName | /ve] [/t Type] [/s Separator] [/d Data] [/f]\n"
    "\n"
    "%KEYNAME%"
    "  /v       The value name, under the selected Key, to add.\n"
    "\n"
    "  /ve      Adds an empty value name (Default) for the key.\n"
    "\n"
    "  /t       RegKey data types\n"
    "           [ REG_SZ    | REG_MULTI_SZ | REG_EXPAND_SZ |\n"
    "             REG_DWORD | REG_QWORD    | REG_BINARY    ]\n"
    "           If omitted, REG_SZ is assumed.\n"
    "\n"
    "  /s       Specify one character that you use as the separator in your data\n"
    "           string for REG_MULTI_SZ. If omitted, use \"\\0\" as the separator.\n"
    "\n"
    "  /d       The data to assign to the registry ValueName being added.\n"
    "           REG_DWORD and REG_QWORD data is decimal, or hexadecimal after 0x;\n"
    "           REG_BINARY data is pairs of hex digits.\n"
    "\n"
    "  /f       Force overwriting the existing registry entry without prompt.\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG ADD HKCU\\Software\\Netpanel\n"
    "    Adds a key HKCU\\Software\\Netpanel\n"
    "\n"
    "  REG ADD HKCU\\Software\\Netpanel /v Channel /t REG_DWORD /d 0x0b\n"
    "    Adds a value (name: Channel, type: REG_DWORD, data: 11)\n";

constexpr char kDelete[] =
    "\n"
    "REG DELETE KeyName [/v ValueName | /ve | /va] [/f]\n"
    "\n"
    "%KEYNAME%"
    "  ValueName  The value name, under the selected Key, to delete.\n"
    "             When omitted, all subkeys and values under the Key are deleted.\n"
    "\n"
    "  /ve        Delete the value of empty value name (Default).\n"
    "\n"
    "  /va        Delete all values under this key.\n"
    "\n"
    "  /f         Forces the deletion without prompt.\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG DELETE HKCU\\Software\\Netpanel\\Profile /v Ssid\n"
    "    Deletes the registry value Ssid under Profile\n"
    "\n"
    "  REG DELETE HKCU\\Software\\Netpanel\\Profile\n"
    "    Deletes the key Profile with all its subkeys and values\n";

constexpr char kExport[] =
    "\n"
    "REG EXPORT KeyName FileName [/y] [/unicode | /regedit4]\n"
    "\n"
    "  Keyname    ROOTKEY[\\SubKey]\n"
    "    ROOTKEY  [ HKLM | HKCU ]\n"
    "    SubKey   The full name of a registry key under the selected ROOTKEY.\n"
    "\n"
    "  FileName   The name of the disk file to export to, written as regedit writes it,\n"
    "             with CRLF line ends: in the REGEDIT4 format (8-bit text as stored) when\n"
    "             every name and text is ASCII or one is not UTF-8, else in the Windows\n"
    "             Registry Editor Version 5.00 format (UTF-16LE with a byte-order mark).\n"
    "\n"
    "  /y         Force overwriting the existing file without prompt.\n"
    "\n"
    "  /unicode   Always write the Version 5.00 format; every name and text must be UTF-8.\n"
    "\n"
    "  /regedit4  Always write the REGEDIT4 format.\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG EXPORT HKCU\\Software\\Netpanel netpanel.reg\n"
    "    Exports all subkeys and values of the key Netpanel to the file netpanel.reg\n";

constexpr char kImport[] =
    "\n"
    "REG IMPORT FileName\n"
    "\n"
    "  FileName  The name of the disk file to import, as regedit exports it: REGEDIT4\n"
    "            (8-bit text) or Windows Registry Editor Version 5.00 (UTF-16LE or UTF-8).\n"
    "            \"[-KEY]\" lines delete a key, \"Name\"=- lines delete a value.\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG IMPORT netpanel.reg\n"
    "    Imports registry entries from the file netpanel.reg\n";

std::string withKeyName(std::string text) {
    constexpr std::string_view kMark = "%KEYNAME%";
    const std::size_t at = text.find(kMark);
    if (at != std::string::npos) text.replace(at, kMark.size(), kKeyName);
    return text;
}

const char* usageOf(Operation operation) {
    switch (operation) {
        case Operation::kQuery:
            return kQuery;
        case Operation::kAdd:
            return kAdd;
        case Operation::kDelete:
            return kDelete;
        case Operation::kExport:
            return kExport;
        case Operation::kImport:
            return kImport;
    }
    return kGeneral;
}

}  // namespace

int printUsage(const std::optional<Operation>& operation) {
    std::cout << withKeyName(operation ? usageOf(*operation) : kGeneral);
    return kExitSuccess;
}

}  // namespace regtool
