# Runs fwscript --dry-run --no --json over the script of every shell word and checks that
# each call is recorded with its arguments, in order, that every question is asked (and
# answered No, as told) and that nothing acted. (No element may hold an unclosed "[":
# CMake would not split the list there.)
execute_process(COMMAND ${TOOL} ${SCRIPT} --dry-run --no --json --var 1=/inst
                OUTPUT_VARIABLE output RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "fwscript ended with ${code}:\n${output}")
endif()
set(expected
  "\"action\": {\"result\": 1, \"calls\": [[\"groupcreate\", \"Kestrel Tools\", \"\", \"\"], [\"groupadd\", \"/inst\\\\viewer\", \"Viewer\", \"/inst\\\\viewer.png\"], [\"addtostartmenu\", \"Add to menu?\", \"/inst\\\\viewer\", \"Viewer\"], [\"addshortcut\", \"Add to desktop?\", \"/inst\\\\viewer\", \"Viewer\"], [\"setsaver\", \"/inst\\\\stars.scr\", \"45\", \"\"], [\"runapp\", \"/inst\\\\setup\", \"Run setup?\", \"\"], [\"runinstaller\", \"/inst\\\\update\", \"Update?\", \"UPDATER.INI,UPDATE.EXE,Updater\"], [\"dooptions\", \"Kestrel\", \"wMds\", \"\"], [\"processoptions\", \"/inst\\\\viewer\", \"Viewer\", \"/inst\\\\stars.scr\"]], \"licence_declined\": false, \"messages\": [], "
  "{\"question\": \"Add to menu?\", \"answer\": \"no\"}, {\"question\": \"Add to desktop?\", \"answer\": \"no\"}, {\"question\": \"Do you want to make Kestrel your default Windows screen saver?\", \"answer\": \"no\"}, {\"question\": \"Run setup?\", \"answer\": \"no\"}, {\"question\": \"Update?\", \"answer\": \"no\"}, {\"question\": \"Options for Kestrel\\n\\nDisplay the What's New document (recommended)?\", \"answer\": \"no\"}, "
  "\"closing\": {\"result\": 1, \"calls\": [[\"showfile\", \"readme.txt\", \"\", \"\"]]")
foreach(text IN LISTS expected)
  string(FIND "${output}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "fwscript did not record\n${text}\nin\n${output}")
  endif()
endforeach()
