// The empty shell command set, linked while the shell-integration module is absent.
#include "installer/script/command_table.h"

namespace installer {

const CommandSet& ShellCommandSet() {
  static const CommandSet kEmpty;
  return kEmpty;
}

}  // namespace installer
