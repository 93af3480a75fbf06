// The frame-time benchmark's statistics, its table and CSV, and the process's CPU time and memory.
#include "app/bench.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

OrderTiming summarise(int order, const char* scene, std::vector<double> frameMs, double cpuMs) {
  OrderTiming row;
  row.order = order;
  row.scene = scene;
  row.frames = static_cast<long>(frameMs.size());
  if (frameMs.empty()) return row;
  std::sort(frameMs.begin(), frameMs.end());
  const std::size_t n = frameMs.size();
  row.medianMs = n % 2 ? frameMs[n / 2] : (frameMs[n / 2 - 1] + frameMs[n / 2]) / 2;
  row.p99Ms = frameMs[static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(n))) - 1];
  double total = 0;
  for (double ms : frameMs) total += ms;
  row.fps = total > 0 ? 1000.0 * static_cast<double>(n) / total : 0;
  row.cpuMsPerFrame = cpuMs / static_cast<double>(n);
  return row;
}

void printBenchTable(std::FILE* out, const std::vector<OrderTiming>& rows) {
  std::fprintf(out, "order  scene           frames  median ms   p99 ms      fps  cpu ms/frame\n");
  for (const OrderTiming& row : rows)
    std::fprintf(out, "%5d  %-14s  %6ld  %9.2f  %7.2f  %7.1f  %12.2f\n", row.order, row.scene, row.frames,
                 row.medianMs, row.p99Ms, row.fps, row.cpuMsPerFrame);
}

bool writeBenchCsv(const std::string& path, const std::vector<OrderTiming>& rows) {
  std::ofstream out(path);
  out << "order,scene,frames,median_ms,p99_ms,fps,cpu_ms_per_frame\n";
  char line[160];
  for (const OrderTiming& row : rows) {
    std::snprintf(line, sizeof line, "%d,%s,%ld,%.3f,%.3f,%.1f,%.3f\n", row.order, row.scene, row.frames,
                  row.medianMs, row.p99Ms, row.fps, row.cpuMsPerFrame);
    out << line;
  }
  out.close();
  if (!out) {
    std::fprintf(stderr, "flipp-kroma: cannot write '%s'\n", path.c_str());
    return false;
  }
  return true;
}

#ifdef _WIN32
namespace {
double fileTimeMs(const FILETIME& time) {
  return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e4;
}
}  // namespace

double processCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return fileTimeMs(kernel) + fileTimeMs(user);
}

double processAgeMs() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  GetSystemTimeAsFileTime(&now);
  return fileTimeMs(now) - fileTimeMs(created);
}

double peakMemoryMb() {
  PROCESS_MEMORY_COUNTERS counters{};
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}
#else
double processCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double processAgeMs() {
  // Field 22 of /proc/self/stat: the start, in clock ticks since boot.
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t name = text.rfind(')');
  if (name == std::string::npos) return 0;
  std::istringstream fields(text.substr(name + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double startMs = std::strtod(field.c_str(), nullptr) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6 - startMs;
}

double peakMemoryMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}
#endif
