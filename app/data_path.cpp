// Where the show's data files are.
#include "app/data_path.h"

#include <SDL.h>

#include <array>
#include <filesystem>

std::string dataFile(const char* name) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(name, error)) return name;
  // The build tree keeps the files in data/ beside the executable; an
  // installed show finds them from its bin/ folder, wherever the prefix went.
  static const std::array<fs::path, 2> folders = [] {
    fs::path base;
    if (char* path = SDL_GetBasePath()) {
      base = path;
      SDL_free(path);
    }
    return std::array<fs::path, 2>{base / "data", (base / FK_INSTALLED_DATA).lexically_normal()};
  }();
  for (const fs::path& folder : folders) {
    const fs::path path = folder / name;
    if (fs::exists(path, error)) return path.string();
  }
  return name;
}
