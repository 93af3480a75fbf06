// Temporary files and recorded message boxes for the asset tests.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assets/message_box.h"

// A file in the test temporary folder, unique per process and call, removed
// when the object goes.
struct TempFile {
  explicit TempFile(const std::string& suffix) {
    static int counter = 0;
    path = ::testing::TempDir() + "fk_assets_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + suffix;
  }
  ~TempFile() { std::remove(path.c_str()); }
  std::string path;
};

// The message boxes shown while a RecordBoxes lives, as "caption: text".
inline std::vector<std::string> boxes;
struct RecordBoxes {
  RecordBoxes() {
    boxes.clear();
    setMessageBoxFunction(
        [](const char* text, const char* caption) { boxes.push_back(std::string(caption) + ": " + text); });
  }
  ~RecordBoxes() { setMessageBoxFunction(nullptr); }
};
