# Checks a DLL's export and import tables against the library's list, from the build host:
#
#   cmake -DOBJDUMP=<objdump> -DDLL=<file.dll> -DLIST=<name.exports> -DALLOWED=<a.dll,b.dll>
#         -P exports_check.cmake
#
# The names of the "[Ordinal/Name Pointer] Table" must be the list's, nothing more and nothing
# less. A list line is one name, '#' starts a comment. Where Windows spells a name differently
# (its types mangle differently), the line's comment says "win32: <name>" and the DLL must
# export that name instead. Every "DLL Name:" the DLL imports must be one of ALLOWED (compared
# without case), so that it loads on a bare Windows.

cmake_minimum_required(VERSION 3.25)

foreach(var OBJDUMP DLL LIST ALLOWED)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "exports_check: -D${var}=... is required")
  endif()
endforeach()
if(NOT EXISTS "${DLL}")
  message(FATAL_ERROR "${DLL} does not exist: build it first")
endif()

# The names the list promises for Windows.
file(STRINGS "${LIST}" lines)
set(expected "")
foreach(line IN LISTS lines)
  set(override "")
  if(line MATCHES "#.*win32:[ \t]*([^ \t]+)")
    set(override "${CMAKE_MATCH_1}")
  endif()
  string(REGEX REPLACE "#.*$" "" name "${line}")
  string(STRIP "${name}" name)
  if(name STREQUAL "")
    continue()
  endif()
  if(override)
    set(name "${override}")
  endif()
  list(APPEND expected "${name}")
endforeach()

execute_process(COMMAND "${OBJDUMP}" -p "${DLL}" OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${status})")
endif()
string(REPLACE ";" "\\;" dump "${dump}")
string(REPLACE "\n" ";" dump "${dump}")

# The name table is the run of "[   n] name" lines after its heading; imports are the
# "DLL Name:" lines.
set(exported "")
set(imported "")
set(inTable FALSE)
foreach(line IN LISTS dump)
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(inTable TRUE)
  elseif(inTable AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
    list(APPEND exported "${CMAKE_MATCH_1}")
  elseif(inTable)
    set(inTable FALSE)
  elseif(line MATCHES "DLL Name: (.+)$")
    list(APPEND imported "${CMAKE_MATCH_1}")
  endif()
endforeach()

set(problems "")
set(missing ${expected})
list(REMOVE_ITEM missing ${exported})
set(extra ${exported})
list(REMOVE_ITEM extra ${expected})
foreach(name IN LISTS missing)
  string(APPEND problems "  not exported: ${name}\n")
endforeach()
foreach(name IN LISTS extra)
  string(APPEND problems "  exported but not listed: ${name}\n")
endforeach()
list(LENGTH expected expectedCount)
list(LENGTH exported exportedCount)
if(NOT problems AND NOT expectedCount EQUAL exportedCount)
  string(APPEND problems "  ${exportedCount} names exported, ${expectedCount} listed (duplicates)\n")
endif()

string(REPLACE "," ";" allowed "${ALLOWED}")
string(TOLOWER "${allowed}" allowed)
foreach(dll IN LISTS imported)
  string(TOLOWER "${dll}" lower)
  if(NOT lower IN_LIST allowed)
    string(APPEND problems "  imports ${dll}, neither a system DLL nor one of ours\n")
  endif()
endforeach()

get_filename_component(dllName "${DLL}" NAME)
if(problems)
  message(FATAL_ERROR "${dllName} against ${LIST}:\n${problems}")
endif()
message(STATUS "${dllName}: ${exportedCount} exports as listed; imports ${imported}")
