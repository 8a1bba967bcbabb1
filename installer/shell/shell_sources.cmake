# The shell-integration commands (program groups, shortcuts, the screen saver, running
# programs, the options dialog, showing documents), compiled into the install-script
# library: they supply its ShellCommandSet().
set(shell_sources
  shell/shell_command_set.cpp
  shell/shell_commands.cpp
  shell/install_options.cpp
  shell/program_manager_texts.cpp
)
if(KESTREL_WIN32)
  list(APPEND shell_sources
    shell/win32/options_box_win32.cpp
    shell/win32/program_manager_win32.cpp
    shell/win32/shell_places_win32.cpp
  )
  set(shell_libraries ole32 uuid shell32 user32)
else()
  list(APPEND shell_sources
    shell/posix/desktop_entry.cpp
    shell/posix/options_questions_posix.cpp
    shell/posix/program_groups_posix.cpp
    shell/posix/screen_saver_posix.cpp
    shell/posix/shell_places_posix.cpp
  )
  set(shell_libraries)
endif()
