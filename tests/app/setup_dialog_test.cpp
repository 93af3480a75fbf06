// The setup dialog: its record, its keyboard, and its window taking SDL's key events.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "app/platform.h"
#include "app/setup_dialog.h"

namespace {

auto fields(const DisplaySetup& s) { return std::tuple(s.width, s.height, s.bits, s.fullscreen); }

// The ids of the checked controls, in template order.
std::vector<int> checkedIds(const SetupDialog& dialog) {
  std::vector<int> ids;
  for (const DialogControl& control : setupControls)
    if (dialog.isChecked(control.id)) ids.push_back(control.id);
  return ids;
}

// A record, the clicks on the dialog showing it, the controls then checked,
// and the record after OK or the close box.
TEST(AppSetupDialog, ClicksReachTheRecordOnlyOnOk) {
  const struct {
    DisplaySetup from;
    std::vector<int> clicks, checked;
    bool ok;
    DisplaySetup want;
  } cases[] = {
      {{}, {}, {1001, 1103, 1005}, true, {640, 480, 32, true}},
      {{}, {1004, 1101, 1005}, {1004, 1101}, true, {1280, 1024, 16, false}},
      // 24 bits comes last in the template but belongs to the bits' group
      {{}, {1102}, {1001, 1102, 1005}, true, {640, 480, 24, true}},
      {{}, {1003, 1005}, {1003, 1103}, false, {640, 480, 32, true}},
      // values the dialog does not offer: nothing checked, and kept
      {{1920, 1080, 8, false}, {}, {}, true, {1920, 1080, 8, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.clicks));
    DisplaySetup setup = c.from;
    SetupDialog dialog(setup);
    EXPECT_EQ(pendingSetup, &setup);
    for (int id : c.clicks) dialog.click(id);
    for (int id : {1001, 1002, 1003, 1004, 1101, 1102, 1103, 1005})
      EXPECT_EQ(dialog.isChecked(id), std::count(c.checked.begin(), c.checked.end(), id) == 1) << id;
    c.ok ? dialog.ok() : dialog.close();
    dialog.click(1002);
    dialog.ok();  // the dialog has ended: ignored
    EXPECT_EQ(pendingSetup, nullptr);
    EXPECT_TRUE(dialog.ended);
    EXPECT_EQ(fields(setup), fields(c.want));
  }
}

// Keys pressed on the dialog showing the defaults: the control that then has
// the focus and the controls checked. Tab stops are OK, the check box and the
// checked radio button of each group; the arrows go round the focused
// control's group, which for the bits runs on past the check box to "24".
TEST(AppSetupDialog, KeyboardAsTheTemplateOrders) {
  using K = DialogKey;
  const struct {
    std::vector<K> keys;
    int focus;
    std::vector<int> checked;
  } cases[] = {
      {{}, IDOK, {1001, 1103, 1005}},
      {{K::tab}, 1001, {1001, 1103, 1005}},
      {{K::tab, K::tab}, 1103, {1001, 1103, 1005}},
      {{K::tab, K::tab, K::tab}, 1005, {1001, 1103, 1005}},
      {{K::tab, K::tab, K::tab, K::tab}, IDOK, {1001, 1103, 1005}},
      {{K::shiftTab}, 1005, {1001, 1103, 1005}},
      // arrows move and check, round the group past its box
      {{K::tab, K::next}, 1002, {1002, 1103, 1005}},
      {{K::tab, K::previous}, 1004, {1004, 1103, 1005}},
      {{K::tab, K::tab, K::previous}, 1101, {1001, 1101, 1005}},
      {{K::tab, K::tab, K::next}, 1005, {1001, 1103, 1005}},
      {{K::tab, K::tab, K::next, K::next}, 1102, {1001, 1005, 1102}},
      {{K::tab, K::tab, K::next, K::next, K::next}, 1101, {1001, 1101, 1005}},
      {{K::next, K::previous}, IDOK, {1001, 1103, 1005}},
      // "24" checked comes after the check box in the tab order
      {{K::tab, K::tab, K::next, K::next, K::tab}, IDOK, {1001, 1005, 1102}},
      {{K::tab, K::tab, K::next, K::next, K::shiftTab}, 1005, {1001, 1005, 1102}},
      {{K::shiftTab, K::space}, 1005, {1001, 1103}},
      {{K::shiftTab, K::space, K::space}, 1005, {1001, 1103, 1005}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.keys));
    DisplaySetup setup;
    SetupDialog dialog(setup);
    for (K key : c.keys) dialog.key(key);
    EXPECT_EQ(setupControls[dialog.focus].id, c.focus);
    EXPECT_EQ(checkedIds(dialog), c.checked);
    EXPECT_FALSE(dialog.ended);
  }
  // Enter is OK from any control, Space on OK too.
  for (const std::vector<K>& keys : {std::vector{K::enter}, {K::tab, K::next, K::enter}, {K::space}}) {
    DisplaySetup setup;
    SetupDialog dialog(setup);
    for (K key : keys) dialog.key(key);
    EXPECT_TRUE(dialog.ended);
    EXPECT_EQ(setup.width, keys.size() == 3 ? 800 : 640);
  }
}

// Key events as SDL queues them for the dialog's window, each press with its
// release in the same batch, and the record the dialog leaves.
TEST(AppSetupDialog, WindowTakesKeyEvents) {
  ASSERT_TRUE(platform().openDisplay()) << SDL_GetError();
  const auto press = [](SDL_Keycode key, Uint16 mod = KMOD_NONE) {
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
      SDL_Event event{};
      event.type = type;
      event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
      event.key.keysym.sym = key;
      event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
      event.key.keysym.mod = mod;
      SDL_PushEvent(&event);
    }
  };
  const struct {
    std::vector<std::pair<SDL_Keycode, Uint16>> keys;
    DisplaySetup want;
  } cases[] = {
      // 800x600, 16 bits, in a window; Escape does nothing
      {{{SDLK_TAB, 0}, {SDLK_DOWN, 0}, {SDLK_ESCAPE, 0}, {SDLK_TAB, 0}, {SDLK_UP, 0}, {SDLK_TAB, KMOD_LSHIFT},
        {SDLK_TAB, 0}, {SDLK_TAB, 0}, {SDLK_SPACE, 0}, {SDLK_RETURN, 0}},
       {800, 600, 16, false}},
      // Space on OK, the focus's first place
      {{{SDLK_RIGHT, 0}, {SDLK_SPACE, 0}}, {640, 480, 32, true}},
      {{{SDLK_TAB, 0}, {SDLK_LEFT, 0}, {SDLK_KP_ENTER, 0}}, {1280, 1024, 32, true}},
  };
  for (const auto& c : cases) {
    for (const auto& [key, mod] : c.keys) press(key, mod);
    DisplaySetup setup;
    showSetupDialog(setup);
    EXPECT_EQ(fields(setup), fields(c.want));
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace
