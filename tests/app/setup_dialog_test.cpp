// The setup dialog: its record, its keyboard, and its window taking SDL's key events.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/platform.h"
#include "app/setup_dialog.h"

namespace {

auto fields(const DisplaySetup& s) { return std::tuple(s.width, s.height, s.bits, s.fullscreen, s.reduceFlashing); }

// The ids of the checked controls, in template order.
std::vector<int> checkedIds(const SetupDialog& dialog) {
  std::vector<int> ids;
  for (const DialogControl& control : setupControls)
    if (dialog.isChecked(control.id)) ids.push_back(control.id);
  return ids;
}

// Keys pressed on the dialog showing the defaults: the control that then has
// the focus and the controls checked; then the record after the close box
// (as it was) and after Enter (the values checked). Tab stops are OK, the
// two check boxes and the checked radio button of each group; the arrows go
// round the focused control's group, past its box and its text, checking a
// radio button (never a check box), which for the bits runs on past the
// check boxes to "24": it comes after them in the template. The resolutions
// end with "Desktop", the desktop's own size (0 x 0).
TEST(AppSetupDialog, KeysAndTheRecordTheyLeave) {
  using K = DialogKey;
  const struct {
    std::vector<K> keys;
    int focus;
    std::vector<int> checked = {1001, 1103, 1005};
    DisplaySetup onEnter = {640, 480, 32, true};
  } cases[] = {
      {{}, IDOK},
      {{K::tab, K::tab, K::tab, K::tab, K::tab}, IDOK},
      {{K::shiftTab}, 1007},
      // "Reduce flashing" follows "Fullscreen"; Space ticks it
      {{K::tab, K::tab, K::tab, K::tab, K::space}, 1007, {1001, 1103, 1005, 1007}, {640, 480, 32, true, true}},
      {{K::shiftTab, K::space, K::space}, 1007},
      {{K::shiftTab, K::previous, K::space}, 1005, {1001, 1103}, {640, 480, 32, false}},
      {{K::tab, K::tab, K::next, K::next, K::next, K::next}, 1101, {1001, 1101, 1005}, {640, 480, 16, true}},
      {{K::next, K::previous}, IDOK},
      // "24", reached past the check boxes, comes after them in the tab order too
      {{K::tab, K::tab, K::next, K::next, K::next, K::tab}, IDOK, {1001, 1005, 1102}, {640, 480, 24, true}},
      {{K::tab, K::tab, K::next, K::next, K::next, K::shiftTab}, 1007, {1001, 1005, 1102}, {640, 480, 24, true}},
      {{K::tab, K::previous, K::tab, K::previous, K::tab, K::space}, 1005, {1006, 1101}, {0, 0, 16, false}},
      {{K::tab, K::next, K::next, K::next}, 1004, {1004, 1103, 1005}, {1280, 1024, 32, true}},
      {{K::tab, K::next, K::next, K::next, K::next}, 1006, {1006, 1103, 1005}, {0, 0, 32, true}},
      {{K::tab, K::previous, K::previous}, 1004, {1004, 1103, 1005}, {1280, 1024, 32, true}},
      {{K::tab, K::previous, K::next, K::next}, 1002, {1002, 1103, 1005}, {800, 600, 32, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.keys));
    for (bool enter : {false, true}) {
      DisplaySetup setup;
      SetupDialog dialog(setup);
      for (K key : c.keys) dialog.key(key);
      EXPECT_EQ(setupControls[dialog.focus].id, c.focus);
      EXPECT_EQ(checkedIds(dialog), c.checked);
      EXPECT_FALSE(dialog.ended);
      enter ? dialog.key(K::enter) : dialog.close();
      dialog.click(1002);
      dialog.click(IDOK);  // the dialog has ended: ignored
      EXPECT_EQ(fields(setup), fields(enter ? c.onEnter : DisplaySetup{}));
    }
  }
  // A record of the desktop's size shows "Desktop" checked; one of reduced flashing, its box.
  DisplaySetup desktop{0, 0, 24, false, true};
  EXPECT_EQ(checkedIds(SetupDialog(desktop)), (std::vector<int>{1006, 1007, 1102}));
}

// Key events as SDL queues them for the dialog's window, each press with its
// release in the same batch, and the record the dialog leaves. A quit after
// them ends a dialog they did not end, leaving the record as it was.
TEST(AppSetupDialog, WindowTakesKeyEvents) {
  ASSERT_TRUE(platform().openDisplay()) << SDL_GetError();
  const struct {
    std::vector<std::pair<SDL_Keycode, Uint16>> keys;
    DisplaySetup want;
  } cases[] = {
      // 800x600, 16 bits, in a window; Escape does nothing
      {{{SDLK_TAB, 0}, {SDLK_DOWN, 0}, {SDLK_ESCAPE, 0}, {SDLK_TAB, 0}, {SDLK_UP, 0}, {SDLK_TAB, KMOD_LSHIFT},
        {SDLK_TAB, 0}, {SDLK_TAB, 0}, {SDLK_SPACE, 0}, {SDLK_RETURN, 0}},
       {800, 600, 16, false}},
      // Space on OK
      {{{SDLK_TAB, 0}, {SDLK_RIGHT, 0}, {SDLK_TAB, KMOD_RSHIFT}, {SDLK_SPACE, 0}}, {800, 600, 32, true}},
      {{{SDLK_TAB, 0}, {SDLK_LEFT, 0}, {SDLK_KP_ENTER, 0}}, {0, 0, 32, true}},
      {{{SDLK_TAB, 0}, {SDLK_LEFT, 0}, {SDLK_UP, 0}, {SDLK_RETURN, 0}}, {1280, 1024, 32, true}},
      // Shift+Tab from OK reaches "Reduce flashing"
      {{{SDLK_TAB, KMOD_LSHIFT}, {SDLK_SPACE, 0}, {SDLK_RETURN, 0}}, {640, 480, 32, true, true}},
  };
  for (const auto& c : cases) {
    SDL_Event event{};
    for (const auto& [key, mod] : c.keys) {
      event.key.keysym = {SDL_GetScancodeFromKey(key), key, mod, 0};
      for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
        event.type = type;
        SDL_PushEvent(&event);
      }
    }
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
    DisplaySetup setup;
    showSetupDialog(setup);
    SDL_FlushEvent(SDL_QUIT);
    EXPECT_EQ(fields(setup), fields(c.want));
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace
