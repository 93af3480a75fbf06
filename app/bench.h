// The frame-time benchmark's numbers and how they are printed.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

// The frame-time benchmark's numbers: one row per music order.
struct OrderTiming {
  int order = 0;
  const char* scene = "";
  long frames = 0;
  double medianMs = 0;       // wall time of the median frame
  double p99Ms = 0;          // 99th percentile (nearest rank)
  double fps = 0;            // frames over their total wall time
  double cpuMsPerFrame = 0;  // the process's CPU time, every thread, per frame
};

// Summarises one order from each frame's wall time and the CPU time they took.
OrderTiming summarise(int order, const char* scene, std::vector<double> frameMs, double cpuMs);

void printBenchTable(std::FILE* out, const std::vector<OrderTiming>& rows);
// The same numbers as CSV with a header line; false (with a message) on failure.
bool writeBenchCsv(const std::string& path, const std::vector<OrderTiming>& rows);

// CPU time of the whole process so far, in ms.
double processCpuMs();
// Wall time since the process started, in ms (to about 10 ms).
double processAgeMs();
// Largest resident size of the process so far, in MB.
double peakMemoryMb();
