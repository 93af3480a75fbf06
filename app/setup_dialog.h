// The setup dialog: its template, and what its controls do to the display record.
#pragma once

// The display mode the viewer picks before the show, and whether the scenes
// that strobe hold their flashing down. A width and height of 0: the
// desktop's own size, full-screen without a mode change.
struct DisplaySetup {
  int width = 640;
  int height = 480;
  int bits = 32;
  bool fullscreen = true;
  bool reduceFlashing = false;
};

// One control of the dialog template, in dialog units.
struct DialogControl {
  int id;
  const char* caption;
  enum Kind { pushButton, groupBox, radioButton, checkBox, label } kind;
  // Groups run in template order from one group box to the next; OK stands
  // alone in group 0 before the first.
  int group;
  // A tab stop in the template. A radio button is one while it is checked.
  bool tabStop;
  int x, y, width, height;
};

// The template's fourteen controls in template order, which is also the tab order.
constexpr int setupControlCount = 14;
extern const DialogControl setupControls[setupControlCount];
constexpr int setupDialogWidth = 121;
constexpr int setupDialogHeight = 109;
constexpr int IDOK = 1;

// The keys of the dialog; arrows right and down are `next`, left and up `previous`.
enum class DialogKey { tab, shiftTab, next, previous, space, enter };

// The dialog's behaviour apart from drawing: which buttons are checked, which
// control has the keyboard focus, and what OK and the close box do to the record.
class SetupDialog {
 public:
  // Shows the record's values by clicking the matching controls; the focus
  // then goes to the first tab stop.
  explicit SetupDialog(DisplaySetup& setup);

  // A click on control `id` focuses it: radio buttons check themselves and
  // clear the others of their group, a check box toggles, OK is ok().
  void click(int id);
  // The keyboard as the platform's dialogs take it: Tab and Shift+Tab move the
  // focus through the tab stops in template order, the arrows through the
  // focused control's group (past its box and text, which take no focus),
  // checking a radio button they reach; Space clicks
  // the focused control; Enter is OK wherever the focus is. Escape is no key
  // of this dialog: it has no Cancel.
  void key(DialogKey key);
  bool isChecked(int id) const;
  // OK: the checked controls become the record.
  void ok();
  // The close box: the record keeps the values it had.
  void close();

  bool ended = false;
  int focus = 0;  // index into setupControls
  // The record the dialog edits while it is open; null once it has ended.
  DisplaySetup* pendingSetup;

 private:
  int index(int id) const;
  bool takesFocus(int i) const;
  bool isTabStop(int i) const;
  bool checked[setupControlCount] = {};
};

// Shows the modal dialog in its own window until OK or the close box.
// Returns without touching the record when no display is available.
void showSetupDialog(DisplaySetup& setup);
