// The program as a user runs it: options, exit statuses, frames written.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "shell.h"

namespace {

namespace fs = std::filesystem;

TEST(AppRun, ExitStatusesAndWhatIsSaid) {
  const struct {
    const char* arguments;
    int status;
    const char* environment = "";
    std::vector<const char*> said = {};
  } cases[] = {
      {"--help", 0}, {"--version", 0}, {"--no-such-option", 2}, {"--mode 640", 2},
      {"--headless --frames 2 --png /proc/flipp-kroma-cannot-be-here", 1},
      // no display, as a user meets it: SDL would fall back to drawing unseen
      {"--windowed --frames 1", 1, "-u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER",
       {"No display", "Error: Failed To Register The Window Class."}},
      // the same without options: no dialog waiting unseen either
      {"", 1, "-u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER", {"No display"}},
      // OpenGL older than 1.1
      {"--headless --frames 3", 1, "MESA_GL_VERSION_OVERRIDE=1.0", {"Error: Can't Create A GL Rendering Context."}},
  };
  for (const auto& c : cases) {
    std::string said;
    EXPECT_EQ(shell(std::string("timeout 60 env ") + c.environment + " " + FK_PROGRAM + " " + c.arguments, said),
              c.status)
        << c.arguments << "\n" << said;
    for (const char* words : c.said) EXPECT_NE(said.find(words), std::string::npos) << said;
  }
}

// The run stops at the frame limit; the frames are PNGs of the mode asked for.
TEST(AppRun, HeadlessRunStopsAtTheFrameLimit) {
  const fs::path dir = scratchPath("run-test");
  std::string said;
  ASSERT_EQ(shell(FK_PROGRAM " --headless --mode 160x90 --frames 12 --png " + dir.string(), said), 0) << said;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 12);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir / "frame-000011.png").string().c_str()));
  EXPECT_EQ(image.width, 160u);
  EXPECT_EQ(image.height, 90u);
  png_image_free(&image);
  fs::remove_all(dir);
}

// Order 7's caption and dancers, 160x90, drawn on Mesa's llvmpipe: its
// pixels, and what the program said.
std::vector<std::uint8_t> drawnWith(const std::string& options, std::string& said) {
  const fs::path dir = scratchPath("msaa");
#ifdef _WIN32
  const std::string llvmpipe = "";  // under wine the GL is the host's Mesa, on Xvfb: llvmpipe
#else
  const std::string llvmpipe = "LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe ";
#endif
  const std::string command = llvmpipe + FK_PROGRAM
                              " --headless --mode 160x90 --fps 30 --start-order 7 --frames 40 --png " +
                              dir.string() + " " + options;
  std::vector<std::uint8_t> rgb;
  if (shell(command, said) != 0) return rgb;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, (dir / "frame-000039.png").string().c_str())) {
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr);
  }
  fs::remove_all(dir);
  return rgb;
}

// A software rasteriser draws without multisampling unless told, exactly the
// pixels of --msaa 0; asked for, the edges change; more samples than the GL
// has (llvmpipe: 4) are the most it has, said once.
TEST(AppRun, MultisamplingAsAskedOrAsTheRasteriserAffords) {
  std::string said;
  const auto none = drawnWith("--msaa 0", said);
  ASSERT_FALSE(none.empty()) << said;
  EXPECT_TRUE(drawnWith("", said) == none);
  EXPECT_EQ(said.find("Multisampling"), std::string::npos) << said;
  const auto four = drawnWith("--msaa 4", said);
  EXPECT_EQ(said.find("Multisampling"), std::string::npos) << said;
  EXPECT_FALSE(four == none);
  EXPECT_TRUE(drawnWith("--msaa 8", said) == four);
  const std::string line = "Multisampling: 8 samples per pixel asked for, the GL gives 4\n";
  EXPECT_NE(said.find(line), std::string::npos) << said;
  EXPECT_EQ(said.find("Multisampling", said.find(line) + line.size()), std::string::npos) << said;
}

// Folders where the data files should be, and a font file that is none: each
// is reported, naming the file, and the show runs without it. No face is
// installed, so the bundled one is needed.
TEST(AppRun, UnreadableDataFilesAreReportedAndTheShowStillRuns) {
  const fs::path dir = scratchPath("bad-data");
  for (const char* name : {"dino.obj", "ko.bmp", "ko-trampelin.it", "fonts"}) fs::create_directories(dir / name);
  std::ofstream(dir / "fonts/anton-latin-400-normal.woff") << "no font";
  std::ofstream(dir / "fonts.conf") << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  std::string said;
  EXPECT_EQ(shell("cd '" + dir.string() + "' && FONTCONFIG_FILE=fonts.conf " FK_PROGRAM " --headless --fps 30 --frames 5",
                  said, " 2>&1 >/dev/null"),
            0)
      << said;
  for (const char* line : {"Error: Failed to open DIB file ko.bmp.\n", "music: cannot read \"ko-trampelin.it\"",
                           "font: cannot read \"fonts/anton-latin-400-normal.woff\" (not a face FreeType can read)"})
    EXPECT_NE(said.find(line), std::string::npos) << line << "\n" << said;
  fs::remove_all(dir);
}

// Installed, the show is bin/flipp-kroma with its files in share/flipp-kroma/,
// and finds them from where it is: after the prefix moves, and from any
// working directory. No face is installed, so the bundled one must be found.
TEST(AppRun, InstalledShowFindsItsFilesFromItsOwnPlace) {
  const fs::path dir = scratchPath("install");
  std::string said;
  ASSERT_EQ(shell(FK_INSTALL " --prefix " + (dir / "prefix").string(), said), 0) << said;
  for (const char* file : {"bin/flipp-kroma", "share/flipp-kroma/ko-trampelin.it", "share/flipp-kroma/dino.obj",
                           "share/flipp-kroma/ko.bmp", "share/flipp-kroma/fonts/anton-latin-400-normal.woff",
                           "share/flipp-kroma/fonts/LICENSE", "share/applications/flipp-kroma.desktop"})
    EXPECT_TRUE(fs::is_regular_file(dir / "prefix" / file)) << file;
  fs::rename(dir / "prefix", dir / "moved");
  std::ofstream(dir / "fonts.conf") << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
  EXPECT_EQ(shell("cd / && FONTCONFIG_FILE=" + (dir / "fonts.conf").string() + " " + (dir / "moved/bin/flipp-kroma").string() +
                      " --headless --fps 30 --frames 3 --mode 64x48",
                  said),
            0);
  EXPECT_NE(said.find("# The file \"" + (dir / "moved/share/flipp-kroma/dino.obj").string() + "\" was opened"),
            std::string::npos)
      << said;
  for (const char* fault : {"cannot read", "Failed to open"}) EXPECT_EQ(said.find(fault), std::string::npos) << said;
  fs::remove_all(dir);
}

}  // namespace
