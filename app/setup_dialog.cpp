// The setup dialog's template and its behaviour apart from drawing.
#include "app/setup_dialog.h"

namespace {

// The first control after `from`, `step` +1 or -1 in template order round the
// end, for which `wanted` holds; `from` itself when there is none.
template <typename Wanted>
int nextControl(int from, int step, Wanted wanted) {
  for (int n = 1; n < setupControlCount; ++n) {
    const int i = ((from + step * n) % setupControlCount + setupControlCount) % setupControlCount;
    if (wanted(i)) return i;
  }
  return from;
}

}  // namespace

// The check boxes stand in the bits' group, between "32" and "24"; the
// warning below them is text. "Desktop" is the desktop's own size,
// full-screen without a mode change.
const DialogControl setupControls[setupControlCount] = {
    {IDOK, "OK", DialogControl::pushButton, 0, true, 80, 70, 34, 12},
    {-1, "Resolution", DialogControl::groupBox, 1, false, 7, 7, 72, 63},
    {1001, "640x480", DialogControl::radioButton, 1, false, 15, 18, 43, 10},
    {1002, "800x600", DialogControl::radioButton, 1, false, 15, 28, 43, 10},
    {1003, "1024x768", DialogControl::radioButton, 1, false, 15, 38, 47, 10},
    {1004, "1280x1024", DialogControl::radioButton, 1, false, 15, 47, 51, 10},
    {1006, "Desktop", DialogControl::radioButton, 1, false, 15, 57, 51, 10},
    {-1, "BPP", DialogControl::groupBox, 2, false, 80, 7, 34, 52},
    {1101, "16", DialogControl::radioButton, 2, false, 84, 19, 24, 10},
    {1103, "32", DialogControl::radioButton, 2, false, 84, 43, 24, 10},
    {1005, "Fullscreen", DialogControl::checkBox, 2, true, 7, 72, 71, 10},
    {1007, "Reduce flashing", DialogControl::checkBox, 2, true, 7, 82, 80, 10},
    {1102, "24", DialogControl::radioButton, 2, false, 84, 31, 24, 10},
    {-1, "Warning: flashing lights", DialogControl::label, 2, false, 7, 94, 107, 8},
};

SetupDialog::SetupDialog(DisplaySetup& setup) : pendingSetup(&setup) {
  if (setup.fullscreen) click(1005);
  if (setup.reduceFlashing) click(1007);
  switch (setup.bits) {
    case 16: click(1101); break;
    case 24: click(1102); break;
    case 32: click(1103); break;
  }
  switch (setup.width) {
    case 640: click(1001); break;
    case 800: click(1002); break;
    case 1024: click(1003); break;
    case 1280: click(1004); break;
    case 0: click(1006); break;
  }
  focus = 0;  // the first tab stop, OK
}

int SetupDialog::index(int id) const {
  for (int i = 0; i < setupControlCount; ++i)
    if (setupControls[i].id == id) return i;
  return -1;
}

void SetupDialog::click(int id) {
  const int i = index(id);
  if (i < 0) return;
  const DialogControl& control = setupControls[i];
  if (!takesFocus(i)) return;
  focus = i;
  if (control.kind == DialogControl::pushButton) {
    ok();
  } else if (control.kind == DialogControl::checkBox) {
    checked[i] = !checked[i];
  } else {
    for (int j = 0; j < setupControlCount; ++j)
      if (setupControls[j].kind == DialogControl::radioButton && setupControls[j].group == control.group)
        checked[j] = false;
    checked[i] = true;
  }
}

bool SetupDialog::takesFocus(int i) const {
  return setupControls[i].kind != DialogControl::groupBox && setupControls[i].kind != DialogControl::label;
}

bool SetupDialog::isTabStop(int i) const {
  return setupControls[i].tabStop || (setupControls[i].kind == DialogControl::radioButton && checked[i]);
}

void SetupDialog::key(DialogKey key) {
  const int step = key == DialogKey::shiftTab || key == DialogKey::previous ? -1 : 1;
  switch (key) {
    case DialogKey::tab:
    case DialogKey::shiftTab:
      focus = nextControl(focus, step, [this](int i) { return isTabStop(i); });
      break;
    case DialogKey::next:
    case DialogKey::previous: {
      const int group = setupControls[focus].group;
      const int to =
          nextControl(focus, step, [this, group](int i) { return setupControls[i].group == group && takesFocus(i); });
      if (setupControls[to].kind == DialogControl::radioButton) click(setupControls[to].id);
      focus = to;
      break;
    }
    case DialogKey::space:
      click(setupControls[focus].id);
      break;
    case DialogKey::enter:
      ok();
      break;
  }
}

bool SetupDialog::isChecked(int id) const {
  const int i = index(id);
  return i >= 0 && checked[i];
}

void SetupDialog::ok() {
  if (!pendingSetup) return;  // a second OK
  DisplaySetup& setup = *pendingSetup;
  struct Choice {
    int id, width, height, bits;
  };
  static constexpr Choice choices[] = {
      {1001, 640, 480, 0}, {1002, 800, 600, 0}, {1003, 1024, 768, 0}, {1004, 1280, 1024, 0}, {1006, 0, 0, 0},
      {1101, 0, 0, 16},    {1102, 0, 0, 24},    {1103, 0, 0, 32},
  };
  for (const Choice& choice : choices) {
    if (!isChecked(choice.id)) continue;
    if (choice.bits) {
      setup.bits = choice.bits;
    } else {
      setup.width = choice.width;
      setup.height = choice.height;
    }
  }
  setup.fullscreen = isChecked(1005);
  setup.reduceFlashing = isChecked(1007);
  pendingSetup = nullptr;
  ended = true;
}

void SetupDialog::close() {
  pendingSetup = nullptr;
  ended = true;
}
