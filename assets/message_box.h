// Where the loaders' message boxes go.
#pragma once

// By default "Caption: text" on standard error; the application installs its
// own (SDL) boxes. Process-wide, as the platform's message box is: a loader
// shows one wherever it fails, with nothing but the text and caption.
using MessageBoxFunction = void (*)(const char* text, const char* caption);
// Null restores the default.
void setMessageBoxFunction(MessageBoxFunction function);
void showMessageBox(const char* text, const char* caption);
// "Caption: text" as one line on standard error.
void printMessageBox(const char* text, const char* caption);
