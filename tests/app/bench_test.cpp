// The frame-time benchmark: its numbers, and its table as the program prints
// and writes it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/bench.h"

namespace {

namespace fs = std::filesystem;

TEST(AppBench, MedianPercentileAndRates) {
  // Odd count: the middle frame; the 99th percentile of 5 is the slowest.
  const OrderTiming odd = summarise(3, {4, 1, 5, 2, 3}, 30);
  EXPECT_EQ(odd.order, 3);
  EXPECT_EQ(odd.frames, 5);
  EXPECT_DOUBLE_EQ(odd.medianMs, 3);
  EXPECT_DOUBLE_EQ(odd.p99Ms, 5);
  EXPECT_DOUBLE_EQ(odd.fps, 1000.0 * 5 / 15);
  EXPECT_DOUBLE_EQ(odd.cpuMsPerFrame, 6);
  // Even count: between the middle two. Of 200 frames the 198th is the 99th percentile.
  std::vector<double> frames(200);
  for (int i = 0; i < 200; ++i) frames[i] = 200 - i;
  const OrderTiming even = summarise(0, frames, 0);
  EXPECT_DOUBLE_EQ(even.medianMs, 100.5);
  EXPECT_DOUBLE_EQ(even.p99Ms, 198);
  const OrderTiming none = summarise(7, {}, 0);
  EXPECT_EQ(none.frames, 0);
  EXPECT_EQ(none.fps, 0);
}

TEST(AppBench, TableHasARowPerOrderAndParses) {
  const fs::path csv =
      fs::temp_directory_path() / ("flipp-kroma-bench-test-" + std::to_string(getpid()) + ".csv");
  fs::remove(csv);
  const std::string command =
      std::string(FK_PROGRAM) + " --bench --mode 64x48 --frames 3 --bench-out " + csv.string() + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string table;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) table += buffer;
  ASSERT_EQ(pclose(pipe), 0) << table;

  // The printed table: one row per order 0 to 21, in order, 3 frames each.
  const std::regex printedRow(R"(^ *(\d+)  (.{14})  +(\d+) +([0-9.]+) +([0-9.]+) +([0-9.]+) +([0-9.]+)$)");
  std::istringstream lines(table);
  int printed = 0;
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (!std::regex_match(line, match, printedRow)) continue;
    EXPECT_EQ(std::stoi(match[1]), printed);
    EXPECT_EQ(std::stoi(match[3]), 3);
    ++printed;
  }
  EXPECT_EQ(printed, 22) << table;

  // The CSV: a header and the same 22 rows, every number a number.
  std::ifstream in(csv);
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_EQ(line, "order,scene,frames,median_ms,p99_ms,fps,cpu_ms_per_frame");
  int rows = 0;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
    ASSERT_EQ(fields.size(), 7u) << line;
    EXPECT_EQ(std::stoi(fields[0]), rows);
    EXPECT_EQ(fields[1], sceneName(rows));
    EXPECT_EQ(std::stoi(fields[2]), 3);
    const double median = std::stod(fields[3]), p99 = std::stod(fields[4]);
    EXPECT_GT(median, 0) << line;
    EXPECT_LE(median, p99) << line;
    EXPECT_GT(std::stod(fields[5]), 0) << line;
    EXPECT_GE(std::stod(fields[6]), 0) << line;
    ++rows;
  }
  EXPECT_EQ(rows, 22);
  fs::remove(csv);
}

}  // namespace
