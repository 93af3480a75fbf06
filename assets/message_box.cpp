// Where the loaders' message boxes go.
#include "assets/message_box.h"

#include <cstdio>
#include <cstring>

namespace {

MessageBoxFunction current = printMessageBox;

}  // namespace

void printMessageBox(const char* text, const char* caption) {
  // A text that ends its line itself still makes one line.
  const std::size_t length = std::strlen(text);
  const int shown = static_cast<int>(length > 0 && text[length - 1] == '\n' ? length - 1 : length);
  std::fprintf(stderr, "%s: %.*s\n", caption, shown, text);
}

void setMessageBoxFunction(MessageBoxFunction function) {
  current = function ? function : printMessageBox;
}

void showMessageBox(const char* text, const char* caption) { current(text, caption); }
