# Runs fwscript --dry-run --json over the script of every shell word and checks that
# each call is recorded with its arguments, in order, and that nothing acted.
execute_process(COMMAND ${TOOL} ${SCRIPT} --dry-run --json --var 1=/inst
                OUTPUT_VARIABLE output RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "fwscript ended with ${code}:\n${output}")
endif()
set(expected
  "\"action\": {\"result\": 1, \"calls\": [[\"groupcreate\", \"Kestrel Tools\", \"\", \"\"], [\"groupadd\", \"/inst\\\\viewer\", \"Viewer\", \"/inst\\\\viewer.png\"], [\"addtostartmenu\", \"Add to menu?\", \"/inst\\\\viewer\", \"Viewer\"], [\"addshortcut\", \"Add to desktop?\", \"/inst\\\\viewer\", \"Viewer\"], [\"setsaver\", \"/inst\\\\stars.scr\", \"45\", \"\"], [\"runapp\", \"/inst\\\\setup\", \"Run setup?\", \"\"], [\"runinstaller\", \"/inst\\\\update\", \"Update?\", \"UPDATER.INI,UPDATE.EXE,Updater\"], [\"dooptions\", \"Kestrel\", \"wMds\", \"\"], [\"processoptions\", \"/inst\\\\viewer\", \"Viewer\", \"/inst\\\\stars.scr\"]]}"
  "\"closing\": {\"result\": 1, \"calls\": [[\"showfile\", \"readme.txt\", \"\", \"\"]]}")
foreach(text IN LISTS expected)
  string(FIND "${output}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "fwscript did not record\n${text}\nin\n${output}")
  endif()
endforeach()
