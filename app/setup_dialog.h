#pragma once

// The display mode the viewer picks before the show.
struct DisplaySetup {
  int width = 640;
  int height = 480;
  int bits = 32;
  bool fullscreen = true;
};

// The record the dialog edits while it is open; null otherwise.
extern DisplaySetup* pendingSetup;

// One control of the dialog template, in dialog units.
struct DialogControl {
  int id;
  const char* caption;
  enum Kind { pushButton, groupBox, radioButton, checkBox } kind;
  int group;  // radio group the control belongs to (0: none)
  int x, y, width, height;
};

// The template's eleven controls in template order, which is also the tab order.
extern const DialogControl setupControls[11];
constexpr int setupDialogWidth = 121;
constexpr int setupDialogHeight = 79;
constexpr int IDOK = 1;

// The dialog's behaviour apart from drawing: which buttons are checked, and
// what OK and the close box do to the record.
class SetupDialog {
 public:
  // Shows the record's values by clicking the matching controls.
  explicit SetupDialog(DisplaySetup& setup);
  ~SetupDialog();

  // A click on control `id`: radio buttons check themselves and clear their
  // group, the check box toggles.
  void click(int id);
  bool isChecked(int id) const;
  // OK: the checked controls become the record.
  void ok();
  // The close box: the record keeps the values it had.
  void close();

  bool ended = false;

 private:
  int index(int id) const;
  bool checked[11] = {};
};

// Shows the modal dialog in its own window until OK or the close box.
// Returns without touching the record when no display is available.
void showSetupDialog(DisplaySetup& setup);
