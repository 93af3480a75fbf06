// The program as a user runs it: exit statuses, what it says, frames and tables written, files found.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "shell.h"

namespace {

namespace fs = std::filesystem;

// How often `words` occur in `text`.
int count(const std::string& text, const std::string& words) {
  int n = 0;
  for (auto at = text.find(words); at != std::string::npos; at = text.find(words, at + 1)) ++n;
  return n;
}

// Each of the lines named is said exactly once.
TEST(AppRun, ExitStatusesAndWhatIsSaid) {
  const char* noDisplay = "-u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER";
  // A desktop's driver named for every program, on a machine without a display.
  const char* desktopDriverNamed = "-u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11";
  const std::string capture = "--capture " + (scratchPath("nodisplay") += ".mkv").string() + " --frames 2 --mode 160x90";
  const struct {
    const char* arguments;
    int status;
    std::vector<const char*> said;
    const char* environment = "";
  } cases[] = {
      {"--help", 0, {"Usage:", "Warning: the show contains flashing lights."}}, {"--no-such-option", 2, {"unknown option '--no-such-option'\nUsage:"}},
      // frames that cannot be written, and why
      {"--headless --frames 2 --png /proc/flipp-kroma-cannot-be-here", 1, {"cannot create the frame directory"}},
      {"--headless --frames 2 --png /proc", 1, {"cannot write '/proc/frame-000000.png' ("}},
      // no display, as a user meets it: SDL would fall back to drawing unseen
      {"--windowed --frames 1", 1, {"No display", "Error: Failed To Register The Window Class."}, noDisplay},
      // the same without options: no dialog waiting unseen either
      {"", 1, {"No display"}, noDisplay},
      // runs that draw unseen need no display, whatever driver the desktop names
      {"--headless --frames 2 --mode 160x90", 0, {}, desktopDriverNamed},
      {"--bench --frames 1 --mode 64x48", 0, {"flipp-kroma --bench"}, desktopDriverNamed},
      {capture.c_str(), 0, {}, desktopDriverNamed},
      // OpenGL older than 1.1
      {"--headless --frames 3", 1, {"Error: Can't Create A GL Rendering Context."}, "MESA_GL_VERSION_OVERRIDE=1.0"},
      // a GL with no multisampled configuration at all (Mesa's softpipe): the show runs without, said once
      {"--headless --mode 64x48 --fps 30 --frames 2 --msaa 2", 0,
       {"Multisampling: 2 samples per pixel asked for, the GL gives none\n", "Multisampling"}, "GALLIUM_DRIVER=softpipe"},
      {"--headless --mode 64x48 --fps 30 --frames 2 --msaa 8", 0,
       {"Multisampling: 8 samples per pixel asked for, the GL gives none\n", "Multisampling"}, "GALLIUM_DRIVER=softpipe"},
  };
  for (const auto& c : cases) {
    std::string said;
    EXPECT_EQ(runProgram(c.arguments, said, std::string("timeout 60 env ") + c.environment + " "), c.status)
        << c.arguments << "\n" << said;
    for (const char* words : c.said) EXPECT_EQ(count(said, words), 1) << words << "\n" << said;
  }
  fs::remove(scratchPath("nodisplay") += ".mkv");
}

// Order 7's caption and dancers (or another order's scene), 160x90, drawn on
// Mesa's llvmpipe (the tests' environment asks for it; under wine the GL is
// the host's Mesa on Xvfb): the PNG of its 40th frame (the same pixels make
// the same file), and what the program said. The run stops at the frame limit.
std::string drawnWith(const std::string& options, std::string& said, int order = 7) {
  const fs::path dir = scratchPath("msaa");
  const std::string run =
      options + " --headless --mode 160x90 --fps 30 --start-order " + std::to_string(order) + " --frames 40 --png ";
  EXPECT_EQ(runProgram(run + dir.string(), said), 0) << said;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 40);
  std::stringstream png;
  png << std::ifstream(dir / "frame-000039.png", std::ios::binary).rdbuf();
  fs::remove_all(dir);
  return png.str();
}

// A software rasteriser draws without multisampling unless told, exactly the
// pixels of --msaa 0; asked for, the edges change; more samples than the GL
// has (llvmpipe: 4) are the most it has, said once.
TEST(AppRun, MultisamplingAsAskedOrAsTheRasteriserAffords) {
  std::string said;
  const auto none = drawnWith("--msaa 0", said);
  ASSERT_FALSE(none.empty()) << said;
  EXPECT_TRUE(drawnWith("", said) == none);
  const auto four = drawnWith("--msaa 4", said);
  EXPECT_EQ(count(said, "Multisampling"), 0) << said;
  EXPECT_FALSE(four == none);
  EXPECT_TRUE(drawnWith("--msaa 8", said) == four);
  EXPECT_EQ(count(said, "Multisampling"), 1) << said;
  EXPECT_EQ(count(said, "Multisampling: 8 samples per pixel asked for, the GL gives 4\n"), 1) << said;
}

// Reduced flashing changes the lattice's scenes only: the dancers of order 7
// are the same pixels with it, the lattice of order 10 others. A PNG run
// ends saying what it wrote, and whether flashing was reduced.
TEST(AppRun, ReducedFlashingChangesTheLatticeOnly) {
  std::string said;
  const auto dance = drawnWith("--msaa 0", said);
  EXPECT_EQ(count(said, "flipp-kroma: wrote 40 frames to '"), 1) << said;
  EXPECT_EQ(count(said, "flashing reduced"), 0) << said;
  EXPECT_TRUE(drawnWith("--msaa 0 --reduce-flashing", said) == dance);
  EXPECT_EQ(count(said, "', flashing reduced\n"), 1) << said;
  EXPECT_FALSE(drawnWith("--msaa 0 --reduce-flashing", said, 10) == drawnWith("--msaa 0", said, 10));
}

// The benchmark prints its table and writes it as CSV: a row per order 0 to
// 21, in order, 3 frames each, every time a number. A software rasteriser
// draws without multisampling unless told. Its first line says that flashing
// was reduced.
TEST(AppBench, CsvHasARowPerOrder) {
  const fs::path csv = scratchPath("bench.csv");
  std::string table;
  ASSERT_EQ(runProgram("--bench --mode 64x48 --frames 3 --reduce-flashing --bench-out " + csv.string(), table), 0)
      << table;
  EXPECT_EQ(count(table, "flipp-kroma --bench: 64x48, 0 samples per pixel, 3 frames per order"), 1) << table;
  EXPECT_EQ(count(table, ", flashing reduced\n"), 1) << table;
  std::ifstream in(csv);
  std::string line;
  std::getline(in, line);  // the header
  int order = 0;
  for (; std::getline(in, line); ++order)
    EXPECT_TRUE(std::regex_match(line, std::regex(std::to_string(order) + R"(,[^,]+,3(,[0-9]+\.[0-9]+){4})"))) << line;
  EXPECT_EQ(order, 22);
  in.close();
  fs::remove(csv);
}

// Installed, the show is bin/flipp-kroma with its files in share/flipp-kroma/,
// and finds them from where it is: after the prefix moves, and from any
// working directory. Files of the same names in the working directory come
// first: made unreadable there, each is reported, naming the file, and the
// show runs without it. No face is installed, so the bundled one is needed.
TEST(AppRun, InstalledShowFindsItsFilesOrSaysWhichItCannotRead) {
  const fs::path dir = scratchPath("install"), bad = dir / "bad";
  std::string said;
  ASSERT_EQ(shell(FK_INSTALL " --prefix " + (dir / "prefix").string(), said), 0) << said;
  fs::rename(dir / "prefix", dir / "moved");
  EXPECT_TRUE(fs::is_regular_file(dir / "moved/share/flipp-kroma/fonts/LICENSE"));  // the bundled face's
  for (const char* name : {"dino.obj", "ko.bmp", "ko-trampelin.it", "fonts"}) fs::create_directories(bad / name);
  std::ofstream(bad / "fonts/anton-latin-400-normal.woff") << "no font";
  std::ofstream(dir / "fonts.conf") << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  const auto runFrom = [&](const fs::path& folder) {
    return shell("cd '" + folder.string() + "' && FONTCONFIG_FILE=" + (dir / "fonts.conf").string() + " " +
                     (dir / "moved/bin/flipp-kroma").string() + " --headless --fps 30 --frames 3 --mode 64x48",
                 said);
  };
  EXPECT_EQ(runFrom("/"), 0) << said;
  EXPECT_EQ(count(said, (dir / "moved/share/flipp-kroma/dino.obj").string() + "\" was opened"), 1) << said;
  for (const char* fault : {"cannot read", "Failed to open"}) EXPECT_EQ(count(said, fault), 0) << said;
  EXPECT_EQ(runFrom(bad), 0) << said;
  for (const char* line : {"Error: Failed to open DIB file ko.bmp.\n", "music: cannot read \"ko-trampelin.it\"",
                           "font: cannot read \"fonts/anton-latin-400-normal.woff\" (not a face FreeType can read)"})
    EXPECT_EQ(count(said, line), 1) << line << "\n" << said;
  fs::remove_all(dir);
}

}  // namespace
