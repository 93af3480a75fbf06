#pragma once

// Where the loaders' message boxes go. By default "Caption: text" on
// standard error; the application installs its own (SDL) boxes.
using MessageBoxFunction = void (*)(const char* text, const char* caption);
// Null restores the default.
void setMessageBoxFunction(MessageBoxFunction function);
void showMessageBox(const char* text, const char* caption);
