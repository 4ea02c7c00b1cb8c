#include "ui/win32_menu_bar.h"

#include <string>

namespace {

std::vector<std::string> AccessKeyCaptions(const std::vector<MenuItem>& items) {
  std::vector<std::string> captions;
  for (const MenuItem& item : items) captions.push_back(item.caption);
  return AssignAccessKeys(captions);
}

}  // namespace

UniqueHmenu CreateMenuBar(const std::vector<MenuItem>& menu, CommandTable& commands) {
  UniqueHmenu bar(CreateMenu());
  const std::vector<std::string> topCaptions = AccessKeyCaptions(menu);
  for (std::size_t t = 0; t < menu.size(); ++t) {
    UniqueHmenu popup(CreatePopupMenu());
    const std::vector<MenuItem>& items = menu[t].items;
    const std::vector<std::string> captions = AccessKeyCaptions(items);
    for (std::size_t i = 0; i < items.size(); ++i) {
      const MenuItem& item = items[i];
      if (item.IsSeparator()) {
        AppendMenuA(popup.get(), MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const unsigned id = commands.Add([&item] { Click(item); });
      AppendMenuA(popup.get(), MF_STRING, id, MenuItemText(captions[i], item.shortCut).c_str());
    }
    // Once appended, the popup is the bar's: it goes with the bar.
    if (AppendMenuA(bar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup.get()),
                    topCaptions[t].c_str())) {
      popup.release();
    }
  }
  return bar;
}
