# Helpers shared by the project's libraries, programs and tests.

# kv_exported_library(<target> EXPORTS <file> SOURCES ...)
# A shared library that exports exactly the symbols listed in <file> (one mangled or C name per
# line, '#' starts a comment). Everything else stays local, including template instantiations
# that the standard headers would otherwise give default visibility.
function(kv_exported_library target)
  cmake_parse_arguments(ARG "" "EXPORTS" "SOURCES" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES})
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  file(STRINGS ${ARG_EXPORTS} lines)
  set(body "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*$" "" line "${line}")
    string(STRIP "${line}" line)
    if(line)
      string(APPEND body "    ${line};\n")
    endif()
  endforeach()
  file(GENERATE OUTPUT ${script} CONTENT "{\n  global:\n${body}  local: *;\n};\n")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${ARG_EXPORTS})
  target_link_options(${target} PRIVATE "LINKER:--version-script=${script}" "LINKER:--no-undefined")
  target_link_libraries(${target} PUBLIC kvexport)
endfunction()

# kv_test(<target> SOURCES ... LIBS ... [LABELS ...])
# A GoogleTest executable whose cases are registered with CTest one by one.
function(kv_test target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  add_executable(${target} ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${target} PROPERTIES LABELS "${ARG_LABELS}" DISCOVERY_TIMEOUT 60)
endfunction()
