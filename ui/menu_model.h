// The main menu as data: items with captions, shortcuts and click handlers, and the rules the
// menu follows (shortcut names, the shortcut search, access keys). The window builds its
// menu bar from this model; the rules are tested without Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A key press: a virtual-key code and the exact set of modifiers held. Key 0 is no shortcut.
struct ShortCut {
  std::uint16_t key = 0;
  bool shift = false;
  bool ctrl = false;
  bool alt = false;

  bool operator==(const ShortCut&) const = default;
};

inline constexpr std::uint16_t kVkF1 = 0x70;
inline constexpr std::uint16_t kVkF5 = 0x74;
inline constexpr std::uint16_t kVkF10 = 0x79;

// "Shift+", "Ctrl+", "Alt+" (those held, in that order) and the key's name ("Ctrl+P", "F10").
// Empty for key 0.
std::string ShortCutName(const ShortCut& shortCut);

struct MenuItem {
  std::string name;     // component name: Save1, N1, ...
  std::string caption;  // "-" is a separator
  ShortCut shortCut;
  bool enabled = true;
  std::function<void(const MenuItem& sender)> onClick;
  std::vector<MenuItem> items;

  bool IsSeparator() const { return caption == "-"; }
};

// Performing an item's click: nothing when it is disabled, otherwise its handler (if any),
// with the item as sender.
void Click(const MenuItem& item);

// Depth-first, in menu order, each item before its sub-items: the path from the top-level
// item down to the first item whose shortcut equals the key press exactly. Empty when none.
std::vector<const MenuItem*> FindShortCut(const std::vector<MenuItem>& menu, const ShortCut& key);

// The shortcut check: when an item matches and all its ancestors are enabled, clicks each
// ancestor from the top down and then the item, and returns true (the key press is consumed).
// Errors raised by the clicks pass to the caller.
bool IsShortCut(const std::vector<MenuItem>& menu, const ShortCut& key);

// The access key a caption marks with "&" (upper case), or 0. "&&" is a literal ampersand.
char MarkedAccessKey(std::string_view caption);

// Gives every caption of one submenu that marks no access key the first letter or digit of
// its caption not yet taken by a sibling. Keys already marked are reserved first; separators
// are skipped; a caption with no free character stays as it is.
std::vector<std::string> AssignAccessKeys(const std::vector<std::string>& captions);

// The text an item inside a submenu displays: its caption, then a tab and the shortcut's name.
std::string MenuItemText(std::string_view caption, const ShortCut& shortCut);
