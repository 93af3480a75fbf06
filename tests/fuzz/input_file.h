// The fuzzer's bytes as a file that a loader opens by name: an anonymous
// in-memory file, rewritten for every input, reached through /proc.
#pragma once
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

struct InputFile {
  explicit InputFile(const char* name) : fd(memfd_create(name, 0)) {
    if (fd < 0) std::abort();
  }
  ~InputFile() { close(fd); }

  // The file now holds exactly these bytes; returns its name.
  const char* write(const std::uint8_t* data, std::size_t size) {
    // A memfd takes a write whole; anything else is a failure.
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    return path.c_str();
  }

  const int fd;
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
};
