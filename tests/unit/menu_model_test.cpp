#include "ui/menu_model.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kKeyP = 'P';

// The program's own menu, with each click recording its item's name.
std::vector<MenuItem> MainMenu(std::vector<std::string>& clicks) {
  const auto record = [&clicks](std::string name) {
    return [&clicks, name](const MenuItem& sender) {
      EXPECT_EQ(sender.name, name);
      clicks.push_back(name);
    };
  };
  std::vector<MenuItem> menu(3);
  menu[0] = {"File1", "&File", {}, true, record("File1"), {}};
  menu[0].items = {{"Save1", "Save", {}, true, record("Save1"), {}},
                   {"Print1", "Print", {kKeyP, false, true, false}, true, record("Print1"), {}},
                   {"N1", "-", {}, true, nullptr, {}},
                   {"Exit1", "Exit", {kVkF10}, true, record("Exit1"), {}}};
  menu[1] = {"View1", "&View", {}, true, record("View1"), {}};
  menu[1].items = {{"Refresh1", "Refresh", {kVkF5}, true, record("Refresh1"), {}}};
  menu[2] = {"Help1", "&Help", {}, true, nullptr, {}};
  menu[2].items = {{"About1", "About", {}, true, record("About1"), {}}};
  return menu;
}

}  // namespace

TEST(ShortCutName, ModifiersInShiftCtrlAltOrderThenTheKey) {
  EXPECT_EQ(ShortCutName({kKeyP, false, true, false}), "Ctrl+P");
  EXPECT_EQ(ShortCutName({kVkF10}), "F10");
  EXPECT_EQ(ShortCutName({kVkF5}), "F5");
  EXPECT_EQ(ShortCutName({kKeyP, true, true, true}), "Shift+Ctrl+Alt+P");
  EXPECT_EQ(ShortCutName({'7', false, false, true}), "Alt+7");
}

TEST(ShortCutName, FunctionKeysUpToF24) {
  EXPECT_EQ(ShortCutName({kVkF1}), "F1");
  EXPECT_EQ(ShortCutName({static_cast<std::uint16_t>(kVkF1 + 23)}), "F24");
}

TEST(ShortCutName, NoKeyHasNoName) { EXPECT_EQ(ShortCutName({0, true, true, true}), ""); }

TEST(MenuItemText, ShortcutNameFollowsATab) {
  EXPECT_EQ(MenuItemText("&Print", {kKeyP, false, true, false}), "&Print\tCtrl+P");
  EXPECT_EQ(MenuItemText("&Save", {}), "&Save");
}

TEST(ShortCutCheck, F5ClicksRefreshAfterItsMenu) {
  std::vector<std::string> clicks;
  const auto menu = MainMenu(clicks);
  EXPECT_TRUE(IsShortCut(menu, {kVkF5}));
  EXPECT_EQ(clicks, (std::vector<std::string>{"View1", "Refresh1"}));
}

TEST(ShortCutCheck, ModifierSetsMustMatchExactly) {
  std::vector<std::string> clicks;
  const auto menu = MainMenu(clicks);
  EXPECT_FALSE(IsShortCut(menu, {kVkF5, true, false, false}));
  EXPECT_FALSE(IsShortCut(menu, {kVkF5, false, true, false}));
  EXPECT_FALSE(IsShortCut(menu, {kVkF10, false, false, true}));
  EXPECT_FALSE(IsShortCut(menu, {kKeyP, true, true, false}));
  EXPECT_FALSE(IsShortCut(menu, {kKeyP}));
  EXPECT_TRUE(clicks.empty());
  EXPECT_TRUE(IsShortCut(menu, {kKeyP, false, true, false}));
  EXPECT_EQ(clicks, (std::vector<std::string>{"File1", "Print1"}));
}

TEST(ShortCutCheck, KeyCodeZeroMatchesNothing) {
  std::vector<std::string> clicks;
  const auto menu = MainMenu(clicks);  // every item without a shortcut has key 0
  EXPECT_FALSE(IsShortCut(menu, {}));
  EXPECT_TRUE(clicks.empty());
}

TEST(ShortCutCheck, FirstMatchDepthFirstWins) {
  std::vector<std::string> clicks;
  auto menu = MainMenu(clicks);
  // A deeper item of File comes before View's Refresh in depth-first order.
  menu[0].items[0].items = {{"Deep1",
                             "Deep",
                             {kVkF5},
                             true,
                             [&clicks](const MenuItem&) { clicks.push_back("Deep1"); },
                             {}}};
  EXPECT_TRUE(IsShortCut(menu, {kVkF5}));
  EXPECT_EQ(clicks, (std::vector<std::string>{"File1", "Save1", "Deep1"}));
}

TEST(ShortCutCheck, ItemIsCheckedBeforeItsSubItems) {
  std::vector<std::string> clicks;
  auto menu = MainMenu(clicks);
  menu[1].shortCut = {kVkF5};  // View itself now carries F5 as well as its Refresh
  EXPECT_TRUE(IsShortCut(menu, {kVkF5}));
  EXPECT_EQ(clicks, (std::vector<std::string>{"View1"}));
}

TEST(ShortCutCheck, DisabledAncestorLeavesTheKeyUnconsumed) {
  std::vector<std::string> clicks;
  auto menu = MainMenu(clicks);
  menu[1].enabled = false;
  EXPECT_FALSE(IsShortCut(menu, {kVkF5}));
  EXPECT_TRUE(clicks.empty());
}

TEST(ShortCutCheck, DisabledItemConsumesTheKeyWithoutClicking) {
  std::vector<std::string> clicks;
  auto menu = MainMenu(clicks);
  menu[1].items[0].enabled = false;
  EXPECT_TRUE(IsShortCut(menu, {kVkF5}));
  EXPECT_EQ(clicks, (std::vector<std::string>{"View1"}));
}

TEST(ShortCutCheck, ErrorOfTheClickReachesTheCaller) {
  std::vector<std::string> clicks;
  auto menu = MainMenu(clicks);
  menu[1].items[0].onClick = [](const MenuItem&) { throw std::runtime_error("scan failed"); };
  EXPECT_THROW(IsShortCut(menu, {kVkF5}), std::runtime_error);
}

TEST(ShortCutCheck, EmptyMenuMatchesNothing) { EXPECT_FALSE(IsShortCut({}, {kVkF5})); }

TEST(AccessKeys, ProgramMenusGetTheirFirstLetters) {
  EXPECT_EQ(AssignAccessKeys({"Save", "Print", "-", "Exit"}),
            (std::vector<std::string>{"&Save", "&Print", "-", "&Exit"}));
  EXPECT_EQ(AssignAccessKeys({"Refresh"}), (std::vector<std::string>{"&Refresh"}));
  EXPECT_EQ(AssignAccessKeys({"About"}), (std::vector<std::string>{"&About"}));
  EXPECT_EQ(AssignAccessKeys({"&File", "&View", "&Help"}),
            (std::vector<std::string>{"&File", "&View", "&Help"}));
}

TEST(AccessKeys, TakenLetterMovesToTheNextFreeCharacter) {
  EXPECT_EQ(AssignAccessKeys({"Save", "Select", "Sse"}),
            (std::vector<std::string>{"&Save", "S&elect", "Sse"}));
}

TEST(AccessKeys, MarkedKeysAreReservedBeforeOthersAreAssigned) {
  // "Print" comes first but P is already marked by a later sibling.
  EXPECT_EQ(AssignAccessKeys({"Print", "&Paste"}), (std::vector<std::string>{"P&rint", "&Paste"}));
}

TEST(AccessKeys, ComparedInUpperCase) {
  EXPECT_EQ(AssignAccessKeys({"&save", "Stop"}), (std::vector<std::string>{"&save", "S&top"}));
  EXPECT_EQ(AssignAccessKeys({"open", "Owner"}), (std::vector<std::string>{"&open", "O&wner"}));
}

TEST(AccessKeys, OnlyLettersAndDigitsQualify) {
  EXPECT_EQ(AssignAccessKeys({"- 2 \xC9t\xE9"}), (std::vector<std::string>{"- &2 \xC9t\xE9"}));
  EXPECT_EQ(AssignAccessKeys({"+-*/"}), (std::vector<std::string>{"+-*/"}));
  EXPECT_EQ(AssignAccessKeys({""}), (std::vector<std::string>{""}));
}

TEST(AccessKeys, LiteralAmpersandIsNeitherAKeyNorAMark) {
  EXPECT_EQ(MarkedAccessKey("Save && Print"), 0);
  EXPECT_EQ(MarkedAccessKey("Save && &Print"), 'P');
  EXPECT_EQ(MarkedAccessKey("Trailing&"), 0);
  EXPECT_EQ(AssignAccessKeys({"&&Go"}), (std::vector<std::string>{"&&&Go"}));
}

TEST(AccessKeys, SeparatorsTakeNoKey) {
  EXPECT_EQ(AssignAccessKeys({"-", "-"}), (std::vector<std::string>{"-", "-"}));
}
