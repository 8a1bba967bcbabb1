# Plug-in libraries and the substitute host live side by side in one directory of the
# build tree, where the host finds them: build/<preset>/bin.
set(KESTREL_PLUGIN_OUTPUT_DIR ${CMAKE_BINARY_DIR}/bin)
file(MAKE_DIRECTORY ${KESTREL_PLUGIN_OUTPUT_DIR})

# kestrel_add_plugin(NAME SOURCES... RESOURCES rcfile [LIBRARIES...] [OUTPUT_DIRECTORY dir])
# A plug-in library named NAME (fwplgcrl.so natively, fwplgcrl.dll on Windows) with the
# three exports and the headless dialog front end, its effect's sources and resources.
function(kestrel_add_plugin name)
  cmake_parse_arguments(P "" "RESOURCES;OUTPUT_DIRECTORY" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${name} MODULE ${P_SOURCES})
  target_link_libraries(${name} PRIVATE kestrel_plugin_entry ${P_LIBRARIES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  kestrel_add_resources(${name} ${P_RESOURCES} DEPENDS kestrel_palette_resources)
  if(NOT P_OUTPUT_DIRECTORY)
    set(P_OUTPUT_DIRECTORY ${KESTREL_PLUGIN_OUTPUT_DIR})
  endif()
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${P_OUTPUT_DIRECTORY}
    RUNTIME_OUTPUT_DIRECTORY ${P_OUTPUT_DIRECTORY})
endfunction()
