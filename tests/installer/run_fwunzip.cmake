# Runs fwunzip on one archive into a fresh directory and checks its exit status and
# that one status text appears on its output.
file(REMOVE_RECURSE ${DEST})
file(MAKE_DIRECTORY ${DEST})
execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARCHIVE} ${DEST}
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(REMOVE_RECURSE ${DEST})
if(NOT code STREQUAL EXPECTED_CODE)
  message(FATAL_ERROR "fwunzip exited with ${code}, expected ${EXPECTED_CODE}\n${out}${err}")
endif()
string(FIND "${out}" "${EXPECTED_TEXT}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "fwunzip did not show \"${EXPECTED_TEXT}\":\n${out}")
endif()
message(STATUS "fwunzip: exit ${code}\n${out}")
