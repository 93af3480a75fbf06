#pragma once
// The fuzzer's bytes as a file that a loader opens by name: an anonymous
// in-memory file, rewritten for every input, reached through /proc.
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
    if (ftruncate(fd, 0) != 0) std::abort();
    for (std::size_t done = 0; done < size;) {
      const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
    return path.c_str();
  }

  const int fd;
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
};
