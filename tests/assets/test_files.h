#pragma once
// Temporary files and recorded message boxes for the asset tests.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assets/message_box.h"

// A file under the test temporary folder, named uniquely per process and
// call, removed when the object goes.
class TempFile {
 public:
  explicit TempFile(const std::string& suffix = ".tmp") {
    static int counter = 0;
    path = ::testing::TempDir() + "fk_assets_" + std::to_string(getpid()) + "_" +
           std::to_string(counter++) + suffix;
  }
  ~TempFile() { std::remove(path.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  std::string path;
};

struct RecordedBox {
  std::string text;
  std::string caption;
};

// Installs a message-box function that records, for one test.
class RecordBoxes {
 public:
  RecordBoxes() {
    boxes().clear();
    setMessageBoxFunction([](const char* text, const char* caption) {
      boxes().push_back({text, caption});
    });
  }
  ~RecordBoxes() { setMessageBoxFunction(nullptr); }
  static std::vector<RecordedBox>& boxes() {
    static std::vector<RecordedBox> recorded;
    return recorded;
  }
};
