# kestrel_add_plugin(NAME RC file SOURCES ... LIBRARIES ...): one plug-in library
# (fwplgcrl.dll on Windows, fwplgcrl.so elsewhere) with the three exports, the
# framework and the module's resources, placed in the build tree's bin folder beside the
# substitute host.
set(KESTREL_BIN_DIR ${CMAKE_BINARY_DIR}/bin)

function(kestrel_add_plugin name)
  cmake_parse_arguments(P "" "RC" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${name} SHARED ${P_SOURCES})
  target_link_libraries(${name} PRIVATE kestrel_plugin_entry ${P_LIBRARIES} kestrel_framework)
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    LIBRARY_OUTPUT_DIRECTORY ${KESTREL_BIN_DIR} RUNTIME_OUTPUT_DIRECTORY ${KESTREL_BIN_DIR})
  kestrel_add_resources(${name} ${P_RC} DEPENDS kestrel_generated_resources)
  if(KESTREL_WIN32)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/framework/win32/plugin_exports.def)
  else()
    # Resolve the library's own symbols inside it, so that several plug-ins loaded into
    # one host never call each other's code.
    target_link_options(${name} PRIVATE -Wl,-Bsymbolic -Wl,--no-undefined)
  endif()
endfunction()
