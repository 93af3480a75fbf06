// The frame-time benchmark's table as the program prints and writes it.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "shell.h"

namespace {

// The program prints the table and writes it as CSV; the CSV is checked.
TEST(AppBench, CsvHasARowPerOrder) {
  const auto csv = scratchPath("bench.csv");
  std::string table;
#ifdef _WIN32
  const std::string software = "";  // under wine the GL is the host's Mesa, on Xvfb: software
#else
  const std::string software = "LIBGL_ALWAYS_SOFTWARE=1 ";
#endif
  ASSERT_EQ(shell(software + FK_PROGRAM " --bench --mode 64x48 --frames 3 --bench-out " + csv.string(), table, " 2>/dev/null"), 0)
      << table;
  // A software rasteriser draws without multisampling unless told.
  EXPECT_NE(table.find("flipp-kroma --bench: 64x48, 0 samples per pixel, 3 frames per order"), std::string::npos)
      << table;
  std::stringstream in;
  in << std::ifstream(csv).rdbuf();
  std::filesystem::remove(csv);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "order,scene,frames,median_ms,p99_ms,fps,cpu_ms_per_frame");
  // One row per order 0 to 21, in order, 3 frames each; every number a number.
  const std::regex row(R"((\d+),([^,]+),3,([0-9.]+),([0-9.]+),([0-9.]+),[0-9.]+)");
  int order = 0;
  for (std::smatch fields; std::getline(in, line); ++order) {
    SCOPED_TRACE(line);
    ASSERT_TRUE(std::regex_match(line, fields, row));
    EXPECT_EQ(std::stoi(fields[1]), order);
    EXPECT_GT(std::stod(fields[3]), 0);
    EXPECT_LE(std::stod(fields[3]), std::stod(fields[4]));
    EXPECT_GT(std::stod(fields[5]), 0);
  }
  EXPECT_EQ(order, 22);
}

}  // namespace
