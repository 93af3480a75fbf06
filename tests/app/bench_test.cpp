// The frame-time benchmark: its numbers, and its table as the program prints
// and writes it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/bench.h"
#include "shell.h"

namespace {

TEST(AppBench, MedianPercentileAndRates) {
  // Odd count: the middle frame; the 99th percentile of 5 is the slowest.
  const OrderTiming odd = summarise(3, {4, 1, 5, 2, 3}, 30);
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

// The fields of every line of `text` that `row` matches in full.
std::vector<std::vector<std::string>> rowsOf(const std::string& text, const char* row) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  std::smatch match;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_match(line, match, std::regex(row))) rows.emplace_back(match.begin() + 1, match.end());
  return rows;
}

TEST(AppBench, TableHasARowPerOrderAndParses) {
  const auto csv = scratchPath("bench.csv");
  std::string table;
  ASSERT_EQ(shell(FK_PROGRAM " --bench --mode 64x48 --frames 3 --bench-out " + csv.string(), table, " 2>/dev/null"), 0)
      << table;
  std::ifstream in(csv);
  const std::string written{std::istreambuf_iterator<char>(in), {}};
  std::filesystem::remove(csv);
  EXPECT_EQ(written.substr(0, written.find('\n')), "order,scene,frames,median_ms,p99_ms,fps,cpu_ms_per_frame");
  // One row per order 0 to 21, in order, 3 frames each; every number a number.
  const auto printed = rowsOf(table, R"( *(\d+)  (.{14})  +(\d+) +([0-9.]+) +([0-9.]+) +([0-9.]+) +([0-9.]+))");
  const auto rows = rowsOf(written, R"((\d+),([^,]+),(\d+),([0-9.]+),([0-9.]+),([0-9.]+),([0-9.]+))");
  ASSERT_EQ(printed.size(), 22u) << table;
  ASSERT_EQ(rows.size(), 22u) << written;
  for (int order = 0; order < 22; ++order) {
    SCOPED_TRACE(table + written);
    const auto& row = rows[order];
    for (const auto& numbers : {printed[order], row}) {
      EXPECT_EQ(std::stoi(numbers[0]), order);
      EXPECT_EQ(numbers[2], "3");
    }
    EXPECT_EQ(row[1], sceneName(order));
    const double median = std::stod(row[3]), p99 = std::stod(row[4]);
    EXPECT_GT(median, 0);
    EXPECT_LE(median, p99);
    EXPECT_GT(std::stod(row[5]), 0);
    EXPECT_GE(std::stod(row[6]), 0);
  }
}

}  // namespace
