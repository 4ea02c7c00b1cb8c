// The main window's commands: every menu item and toolbar button names one command id of one
// table, filled once while the window is built; WM_COMMAND runs the command its id names.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

class CommandTable {
 public:
  // Ids start above the ones dialogs reserve (IDOK, IDCANCEL, ...).
  static constexpr unsigned kFirstId = 100;

  // Adds a command and returns its id.
  unsigned Add(std::function<void()> command) {
    commands_.push_back(std::move(command));
    return kFirstId + static_cast<unsigned>(commands_.size() - 1);
  }
  // Runs the command id names; an id that names none does nothing.
  void Run(unsigned id) const {
    if (id >= kFirstId && id - kFirstId < commands_.size()) commands_[id - kFirstId]();
  }

 private:
  std::vector<std::function<void()>> commands_;
};
