#include "app/setup_dialog.h"

DisplaySetup* pendingSetup = nullptr;

const DialogControl setupControls[11] = {
    {IDOK, "OK", DialogControl::pushButton, 0, 80, 60, 34, 12},
    {-1, "Resolution", DialogControl::groupBox, 0, 7, 7, 72, 53},
    {1001, "640x480", DialogControl::radioButton, 1, 15, 18, 43, 10},
    {1002, "800x600", DialogControl::radioButton, 1, 15, 28, 43, 10},
    {1003, "1024x768", DialogControl::radioButton, 1, 15, 38, 47, 10},
    {1004, "1280x1024", DialogControl::radioButton, 1, 15, 47, 51, 10},
    {-1, "BPP", DialogControl::groupBox, 0, 80, 7, 34, 52},
    {1101, "16", DialogControl::radioButton, 2, 84, 19, 24, 10},
    {1103, "32", DialogControl::radioButton, 2, 84, 43, 24, 10},
    {1005, "Fullscreen", DialogControl::checkBox, 0, 7, 62, 71, 10},
    {1102, "24", DialogControl::radioButton, 2, 84, 31, 24, 10},
};

SetupDialog::SetupDialog(DisplaySetup& setup) {
  pendingSetup = &setup;
  if (setup.fullscreen) click(1005);
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
  }
}

SetupDialog::~SetupDialog() {
  if (!ended) pendingSetup = nullptr;
}

int SetupDialog::index(int id) const {
  for (int i = 0; i < 11; ++i)
    if (setupControls[i].id == id) return i;
  return -1;
}

void SetupDialog::click(int id) {
  const int i = index(id);
  if (i < 0) return;
  const DialogControl& control = setupControls[i];
  if (control.kind == DialogControl::checkBox) {
    checked[i] = !checked[i];
  } else if (control.kind == DialogControl::radioButton) {
    for (int j = 0; j < 11; ++j)
      if (setupControls[j].group == control.group) checked[j] = false;
    checked[i] = true;
  }
}

bool SetupDialog::isChecked(int id) const {
  const int i = index(id);
  return i >= 0 && checked[i];
}

void SetupDialog::ok() {
  if (ended || !pendingSetup) return;  // a second OK, or another dialog's record
  DisplaySetup& setup = *pendingSetup;
  struct Choice {
    int id, width, height, bits;
  };
  static constexpr Choice choices[] = {
      {1001, 640, 480, 0},  {1002, 800, 600, 0}, {1003, 1024, 768, 0}, {1004, 1280, 1024, 0},
      {1101, 0, 0, 16},     {1102, 0, 0, 24},    {1103, 0, 0, 32},
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
  pendingSetup = nullptr;
  ended = true;
}

void SetupDialog::close() {
  pendingSetup = nullptr;
  ended = true;
}
