// The main window's menu bar, built from the menu model (ui/menu_model.h): each submenu's
// captions get their access keys, each item shows its shortcut's name after a tab, and each
// item's Click goes into the window's command table under the id the item carries.
#pragma once

#include <windows.h>

#include <vector>

#include "common/win32_handles.h"
#include "ui/command_table.h"
#include "ui/menu_model.h"

// The items must outlive the menu bar: their commands click them where they are.
UniqueHmenu CreateMenuBar(const std::vector<MenuItem>& menu, CommandTable& commands);
