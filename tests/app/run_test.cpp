// The program as a user runs it: options, exit statuses, frames written.
#include <gtest/gtest.h>
#include <unistd.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

int run(const std::string& arguments) {
  const std::string command = std::string(FK_PROGRAM) + " " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path freshDirectory(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / (name + std::to_string(getpid()));
  fs::remove_all(dir);
  return dir;
}

TEST(AppRun, HelpVersionAndBadOptions) {
  EXPECT_EQ(run("--help"), 0);
  EXPECT_EQ(run("--version"), 0);
  EXPECT_EQ(run("--no-such-option"), 2);
  EXPECT_EQ(run("--mode 640"), 2);
}

TEST(AppRun, HeadlessRunWritesEveryFrameAndEnds) {
  const fs::path dir = freshDirectory("flipp-kroma-run-test");
  ASSERT_EQ(run("--headless --mode 160x90 --frames 12 --png " + dir.string()), 0);
  int count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    ++count;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, entry.path().c_str())) << entry.path();
    EXPECT_EQ(image.width, 160u);
    EXPECT_EQ(image.height, 90u);
    png_image_free(&image);
  }
  EXPECT_EQ(count, 12);
  EXPECT_TRUE(fs::exists(dir / "frame-000000.png"));
  EXPECT_TRUE(fs::exists(dir / "frame-000011.png"));
  fs::remove_all(dir);
}

TEST(AppRun, UnwritableFrameDirectoryIsAnErrorNotACrash) {
  EXPECT_EQ(run("--headless --frames 2 --png /proc/flipp-kroma-cannot-be-here"), 1);
}

}  // namespace
