// Runs the program under test as a user would, through the shell.
#pragma once
#include <unistd.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <filesystem>
#include <string>

// The command's exit status; its output (and standard error, unless `errors`
// sends it elsewhere) goes to `output`.
inline int shell(const std::string& command, std::string& output, const char* errors = " 2>&1") {
  output.clear();
  FILE* pipe = popen((command + errors).c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  const int status = pclose(pipe);
#ifdef _WIN32
  return status;  // the exit code itself
#else
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// The program with these arguments, after `prefix` (a POSIX shell's variables
// or wrapper, ending in a space).
inline int runProgram(const std::string& arguments, std::string& said, const std::string& prefix = "") {
  return shell(prefix + FK_PROGRAM " " + arguments, said);
}

// A path of this test process's own, with nothing there: ctest runs tests side by side.
inline std::filesystem::path scratchPath(const std::string& name) {
  const auto path = std::filesystem::temp_directory_path() / ("flipp-kroma-" + name + "-" + std::to_string(getpid()));
  std::filesystem::remove_all(path);
  return path;
}
