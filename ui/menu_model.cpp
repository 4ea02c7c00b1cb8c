#include "ui/menu_model.h"

#include <array>

namespace {

struct KeyName {
  std::uint16_t key;
  std::string_view name;
};

constexpr std::array<KeyName, 15> kKeyNames{{
    {0x08, "BkSp"},
    {0x09, "Tab"},
    {0x0D, "Enter"},
    {0x1B, "Esc"},
    {0x20, "Space"},
    {0x21, "PgUp"},
    {0x22, "PgDn"},
    {0x23, "End"},
    {0x24, "Home"},
    {0x25, "Left"},
    {0x26, "Up"},
    {0x27, "Right"},
    {0x28, "Down"},
    {0x2D, "Ins"},
    {0x2E, "Del"},
}};

std::string KeyText(std::uint16_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    return std::string(1, static_cast<char>(key));
  }
  if (key >= kVkF1 && key < kVkF1 + 24) {
    std::string name = "F";
    name.append(std::to_string(key - kVkF1 + 1));
    return name;
  }
  for (const KeyName& k : kKeyNames) {
    if (k.key == key) return std::string(k.name);
  }
  return {};
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsKeyCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool Search(const std::vector<MenuItem>& items, const ShortCut& key,
            std::vector<const MenuItem*>& path) {
  for (const MenuItem& item : items) {
    path.push_back(&item);
    if (item.shortCut == key) return true;
    if (Search(item.items, key, path)) return true;
    path.pop_back();
  }
  return false;
}

}  // namespace

std::string ShortCutName(const ShortCut& shortCut) {
  if (shortCut.key == 0) return {};
  std::string name;
  if (shortCut.shift) name += "Shift+";
  if (shortCut.ctrl) name += "Ctrl+";
  if (shortCut.alt) name += "Alt+";
  name.append(KeyText(shortCut.key));
  return name;
}

void Click(const MenuItem& item) {
  if (item.enabled && item.onClick) item.onClick(item);
}

std::vector<const MenuItem*> FindShortCut(const std::vector<MenuItem>& menu, const ShortCut& key) {
  std::vector<const MenuItem*> path;
  if (key.key != 0 && Search(menu, key, path)) return path;
  return {};
}

bool IsShortCut(const std::vector<MenuItem>& menu, const ShortCut& key) {
  const std::vector<const MenuItem*> path = FindShortCut(menu, key);
  if (path.empty()) return false;
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    if (!path[i]->enabled) return false;
  }
  for (const MenuItem* item : path) Click(*item);
  return true;
}

char MarkedAccessKey(std::string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return Upper(caption[i + 1]);
    ++i;  // "&&" stands for one ampersand
  }
  return 0;
}

std::vector<std::string> AssignAccessKeys(const std::vector<std::string>& captions) {
  std::string taken;
  for (const std::string& caption : captions) {
    if (caption == "-") continue;
    if (const char key = MarkedAccessKey(caption); key != 0) taken += key;
  }
  std::vector<std::string> result = captions;
  for (std::string& caption : result) {
    if (caption == "-" || MarkedAccessKey(caption) != 0) continue;
    for (std::size_t i = 0; i < caption.size(); ++i) {
      if (caption[i] == '&') {  // the rest of a literal "&&"
        ++i;
        continue;
      }
      const char key = Upper(caption[i]);
      if (IsKeyCharacter(key) && taken.find(key) == std::string::npos) {
        taken += key;
        caption.insert(i, 1, '&');
        break;
      }
    }
  }
  return result;
}

std::string MenuItemText(std::string_view caption, const ShortCut& shortCut) {
  std::string text(caption);
  if (shortCut.key != 0) {
    text += '\t';
    text.append(ShortCutName(shortCut));
  }
  return text;
}
