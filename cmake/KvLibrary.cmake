# Helpers shared by the project's libraries, programs and tests.

set(KV_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})

# kv_exported_library(<target> EXPORTS <file> SOURCES ...)
# A shared library that exports exactly the symbols listed in <file> (one mangled or C name per
# line, '#' starts a comment). Everything else stays local, including template instantiations
# that the standard headers would otherwise give default visibility.
function(kv_exported_library target)
  cmake_parse_arguments(ARG "" "EXPORTS" "SOURCES" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES})
  # The list is read at configure time: an edited list configures again.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ARG_EXPORTS})
  # The macro header is installed beside the library's own headers, so only the build tree
  # needs the link.
  target_link_libraries(${target} PUBLIC $<BUILD_INTERFACE:kvexport>)
  if(WIN32)
    kv_windows_dll(${target})
    return()
  endif()
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
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
  target_link_options(${target} PRIVATE "LINKER:--version-script=${script}" "LINKER:--no-undefined")
endfunction()

# kv_windows_dll(<target>)
# On 32-bit Windows a DLL exports what its sources mark dllexport. The callee-cleans (stdcall)
# entries leave the table undecorated ("VBKvTxSend", not "VBKvTxSend@48"), as Visual Basic
# finds them; the import library keeps the decorated names that C and C++ callers reference, and
# maps them to the undecorated ones.
function(kv_windows_dll target)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  set_target_properties(${target} PROPERTIES PREFIX "")
  target_link_options(${target} PRIVATE "LINKER:--kill-at" "LINKER:--output-def,${def}")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DDEF=${def} -DDLL=$<TARGET_FILE:${target}>
            -DIMPLIB=$<TARGET_LINKER_FILE:${target}> -DDLLTOOL=${CMAKE_DLLTOOL}
            -P ${KV_CMAKE_DIR}/KvImportLibrary.cmake
    VERBATIM)
endfunction()

# kv_test(<target> SOURCES ... LIBS ... [LABELS ...])
# A GoogleTest executable whose cases are registered with CTest one by one.
function(kv_test target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  add_executable(${target} ${ARG_SOURCES})
  # Tests are never installed: they find what they link where it was built (stand-ins live in
  # tests/, beside them).
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/tests
    BUILD_WITH_INSTALL_RPATH OFF)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(WIN32)
    # Under Wine each start costs a second: the program runs once, with all its cases. It finds
    # the DLLs beside it, and the Wine prefix is made before the first test.
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES LABELS "${ARG_LABELS};win32"
      FIXTURES_REQUIRED wine_prefix DISABLED ${KV_WINE_DISABLED})
  else()
    gtest_discover_tests(${target} PROPERTIES LABELS "${ARG_LABELS}" DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

# kv_install_library(<target> PACKAGE <Name> DESCRIPTION <text> [LIBS <name>...])
# Installs the library, its headers (the target's include/ directory), a CMake package
# (find_package(<Name>) gives <Name>::<target>) and a relocatable pkg-config file <target>.pc.
# LIBS names further installed libraries of the project that users of its headers link too.
function(kv_install_library target)
  cmake_parse_arguments(ARG "" "PACKAGE;DESCRIPTION" "LIBS" ${ARGN})
  include(CMakePackageConfigHelpers)
  set(cmakedir ${CMAKE_INSTALL_LIBDIR}/cmake/${ARG_PACKAGE})
  install(TARGETS ${target} EXPORT ${ARG_PACKAGE}Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(EXPORT ${ARG_PACKAGE}Targets NAMESPACE ${ARG_PACKAGE}:: DESTINATION ${cmakedir})

  set(KV_PACKAGE ${ARG_PACKAGE})
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PackageConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/${ARG_PACKAGE}Config.cmake INSTALL_DESTINATION ${cmakedir})
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${ARG_PACKAGE}ConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${ARG_PACKAGE}Config.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/${ARG_PACKAGE}ConfigVersion.cmake DESTINATION ${cmakedir})

  set(KV_LIBNAME ${target})
  set(KV_EXTRA_LIBS "")
  foreach(lib IN LISTS ARG_LIBS)
    string(APPEND KV_EXTRA_LIBS " -l${lib}")
  endforeach()
  set(KV_DESCRIPTION ${ARG_DESCRIPTION})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${target}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
