#include "assets/message_box.h"

#include <cstdio>

namespace {

void toStandardError(const char* text, const char* caption) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
}

MessageBoxFunction current = toStandardError;

}  // namespace

void setMessageBoxFunction(MessageBoxFunction function) {
  current = function ? function : toStandardError;
}

void showMessageBox(const char* text, const char* caption) { current(text, caption); }
