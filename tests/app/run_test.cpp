// The program as a user runs it: options, exit statuses, frames written.
#include <gtest/gtest.h>
#include <unistd.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

// Runs the program; what it says on standard error goes to `said`.
int run(const std::string& arguments, std::string* said = nullptr, const std::string& environment = "",
        const std::string& directory = ".") {
  const std::string errors = fs::temp_directory_path() / ("flipp-kroma-stderr-" + std::to_string(getpid()));
  const std::string command = "cd '" + directory + "' && env " + environment + " " + FK_PROGRAM + " " +
                              arguments + " >/dev/null 2>'" + errors + "'";
  const int status = std::system(command.c_str());
  if (said) {
    std::ifstream in(errors);
    *said = std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::remove(errors);
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

TEST(AppRun, NoDisplayIsOneClearFailure) {
  std::string said;
  EXPECT_EQ(run("--windowed --frames 1", &said, "-u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11"), 1);
  EXPECT_NE(said.find("No display"), std::string::npos) << said;
  EXPECT_NE(said.find("Error: Failed To Register The Window Class."), std::string::npos) << said;
}

TEST(AppRun, OpenGLOlderThan11IsAFailureNotACrash) {
  std::string said;
  EXPECT_EQ(run("--headless --frames 3", &said, "MESA_GL_VERSION_OVERRIDE=1.0"), 1);
  EXPECT_NE(said.find("Error: Can't Create A GL Rendering Context."), std::string::npos) << said;
}

TEST(AppRun, UnreadableDataFilesLeaveASilentShowThatStillRuns) {
  // Folders where the files should be: nothing can be read from them.
  const fs::path dir = freshDirectory("flipp-kroma-bad-data");
  for (const char* name : {"dino.obj", "ko.bmp", "ko-trampelin.it"}) fs::create_directories(dir / name);
  std::string said;
  EXPECT_EQ(run("--headless --fps 30 --frames 5", &said, "", dir.string()), 0);
  EXPECT_NE(said.find("Failed to open DIB file ko.bmp."), std::string::npos) << said;
  EXPECT_NE(said.find("music:"), std::string::npos) << said;
  fs::remove_all(dir);
}

}  // namespace
