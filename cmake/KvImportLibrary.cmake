# Writes a DLL's import library again, from the module definition the linker gave with
# --kill-at ("VBKvTxSend = VBKvTxSend@48"): callers' objects reference the decorated name, the
# DLL exports the plain one.
#   cmake -DDEF=<def> -DDLL=<dll> -DIMPLIB=<lib.dll.a> -DDLLTOOL=<dlltool> -P KvImportLibrary.cmake
file(STRINGS ${DEF} lines)
set(body "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[ \t]*[A-Za-z0-9_]+ = ([^ \t]+)" "    \\1" line "${line}")
  string(APPEND body "${line}\n")
endforeach()
set(decorated ${DEF}.decorated)
file(WRITE ${decorated} "${body}")
get_filename_component(name ${DLL} NAME)
execute_process(COMMAND ${DLLTOOL} --kill-at -d ${decorated} -D ${name} -l ${IMPLIB}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${DLLTOOL} could not write ${IMPLIB}")
endif()
