#include "app/data_path.h"

#include <SDL.h>

#include <filesystem>

std::string dataFile(const char* name) {
  std::error_code error;
  if (std::filesystem::exists(name, error)) return name;
  static const std::string besideExecutable = [] {
    std::string base;
    if (char* path = SDL_GetBasePath()) {
      base = path;
      SDL_free(path);
    }
    return base + "data/";
  }();
  std::string beside = besideExecutable + name;
  return std::filesystem::exists(beside, error) ? beside : name;
}
