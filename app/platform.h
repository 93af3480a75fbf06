// The thin layer between the show and the system it runs on: the desktop
// (display, message boxes, display modes) and the process (signals, memory).
#pragma once
#include <csignal>

struct SDL_Window;

// The thin layer between the window framework and the desktop: the display,
// message boxes and display modes. Headless runs and tests put their own in
// its place.
class Platform {
 public:
  enum class Box { error, question };

  virtual ~Platform() = default;
  // Starts SDL's video (once more, when it runs already) on a display the
  // viewer sees; false, with SDL's error saying why, when there is none. Where
  // no display can be opened SDL falls back to drawing offscreen: that counts
  // as none, unless the user named the driver in SDL_VIDEODRIVER.
  virtual bool openDisplay();
  // Shows a box with no owner window; true when a question is answered Yes.
  virtual bool messageBox(const char* text, const char* caption, Box kind);
  // Switches the display to width x height at `bits` and the window to cover
  // it; false when the display refuses the mode.
  virtual bool enterFullscreen(SDL_Window* window, int width, int height, int bits);
  // Makes the window cover the desktop at its own size, without a mode change.
  virtual bool fillDesktop(SDL_Window* window);
  // Back to the desktop mode; the window becomes a normal one again.
  virtual void leaveFullscreen(SDL_Window* window);
  // Size of the desktop mode now in force.
  virtual void desktopSize(int& width, int& height);
  // Whether the window is shown; a headless run draws into a hidden one.
  virtual bool showsWindow() { return true; }
};

// Draws offscreen, or into a hidden window; boxes go to standard error as
// "Caption: text"; questions answer Yes.
class HeadlessPlatform : public Platform {
 public:
  bool openDisplay() override;
  bool messageBox(const char* text, const char* caption, Box kind) override;
  bool showsWindow() override { return false; }
};

// The layer in force. Process-wide, as the desktop it stands for is: the
// window framework and the setup dialog reach it wherever a box or a mode
// change comes up, and headless runs and tests put theirs in its place.
Platform& platform();
// The caller keeps `layer` alive while it is installed; null restores the desktop's.
void setPlatform(Platform* layer);

// The process. The GL driver frees and allocates blocks of megabytes every
// frame; given back to the system each time, they cost a page fault per page
// when they return. Where the C library allows it, up to 32 MB of freed
// memory stays with the process instead.
void keepFreedMemory();
// A capture or a benchmark ends cleanly on Ctrl-C or termination (Ctrl-C and
// Ctrl-Break on Windows), and a dead encoder's pipe is an error to report,
// not a death. Installed before SDL's handlers, which would turn the signal
// into the quit message that ends the show.
void catchStopSignals();
// The number of the stop signal caught, 0 before any. A signal handler can
// set nothing but such a flag, so it is the process's own.
extern volatile std::sig_atomic_t stopSignal;
