# Fails when docs/install-scripts.md differs from what fwscript writes from the command
# table, so that the document cannot drift from the words the installer knows.
execute_process(COMMAND ${TOOL} --commands-markdown OUTPUT_VARIABLE written RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "fwscript --commands-markdown ended with ${code}")
endif()
file(READ ${DOCUMENT} committed)
if(NOT written STREQUAL committed)
  message(FATAL_ERROR "${DOCUMENT} differs from the command table; write it anew with\n"
                      "  fwscript --commands-markdown > docs/install-scripts.md")
endif()
