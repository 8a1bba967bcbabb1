# Module resources have one source of truth: the module's .rc file. On Windows the
# resource compiler builds it into the binary; on POSIX tools/rc2cpp.py turns the same
# file (with everything it includes and references) into a C++ table that is linked in.
set(KESTREL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${KESTREL_GENERATED_DIR})

# kestrel_add_resources(TARGET RCFILE [DEPENDS generated files or targets...])
function(kestrel_add_resources target rcfile)
  cmake_parse_arguments(R "" "" "DEPENDS" ${ARGN})
  get_filename_component(rc_abs ${rcfile} ABSOLUTE)
  get_filename_component(rc_dir ${rc_abs} DIRECTORY)
  set(include_dirs ${rc_dir} ${PROJECT_SOURCE_DIR} ${KESTREL_GENERATED_DIR})
  set(dep_files)
  set(dep_targets)
  foreach(dep IN LISTS R_DEPENDS)
    if(TARGET ${dep})
      list(APPEND dep_targets ${dep})
    else()
      list(APPEND dep_files ${dep})
    endif()
  endforeach()
  if(KESTREL_WIN32)
    target_sources(${target} PRIVATE ${rc_abs})
    set(rc_flags)
    foreach(dir IN LISTS include_dirs)
      list(APPEND rc_flags "-I${dir}")
    endforeach()
    list(JOIN rc_flags " " rc_flags_text)
    # The resource compiler reports no dependencies: rebuild when any generated
    # resource file changes.
    set_source_files_properties(${rc_abs} TARGET_DIRECTORY ${target} PROPERTIES
      COMPILE_FLAGS "${rc_flags_text}" OBJECT_DEPENDS "${dep_files};${KESTREL_GENERATED_RESOURCE_FILES}")
  else()
    get_filename_component(rc_name ${rc_abs} NAME_WE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_${rc_name}_resources.cpp)
    set(inc_args)
    foreach(dir IN LISTS include_dirs)
      list(APPEND inc_args -I ${dir})
    endforeach()
    add_custom_command(OUTPUT ${out}
      COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/rc2cpp.py
              ${inc_args} --depfile ${out}.d -o ${out} ${rc_abs}
      DEPENDS ${rc_abs} ${PROJECT_SOURCE_DIR}/tools/rc2cpp.py ${dep_files} ${dep_targets}
      DEPFILE ${out}.d
      COMMENT "Embedding resources of ${rcfile}"
      VERBATIM)
    target_sources(${target} PRIVATE ${out})
  endif()
  if(dep_targets)
    add_dependencies(${target} ${dep_targets})
  endif()
endfunction()
