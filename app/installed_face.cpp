// Finds installed font faces: fontconfig on Linux, the system's font list on Windows.
#include "app/installed_face.h"

#ifdef _WIN32
#define NOGDI  // its GLYPHMETRICSFLOAT is the font's own type here
#include <windows.h>

#include <filesystem>
#include <string>

namespace {

// The file the system's font list gives for `entry` ("Impact Italic"), or "".
std::string listedFile(const std::string& entry) {
  static const char* const key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    for (const char* kind : {" (TrueType)", " (OpenType)"}) {
      char value[MAX_PATH];
      DWORD size = sizeof value;
      if (RegGetValueA(root, key, (entry + kind).c_str(), RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS)
        return value;
    }
  }
  return {};
}

}  // namespace

// The style asked for, else the family's regular face. Names without a
// folder are files in the fonts folder; faces installed for one user are
// listed with their whole path.
bool installedFace(const char* name, bool bold, bool italic, FaceFile& face) {
  const std::string style = std::string(bold ? " Bold" : "") + (italic ? " Italic" : "");
  std::string file = style.empty() ? "" : listedFile(name + style);
  const bool styled = !file.empty();
  if (!styled) file = listedFile(name);
  if (file.empty()) return false;
  if (!std::filesystem::path(file).is_absolute()) {
    char windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    file = std::string(windows) + "\\Fonts\\" + file;
  }
  face = FaceFile{file, 0, styled && italic, styled && bold};
  return true;
}

#else
#include <fontconfig/fontconfig.h>

// fontconfig answers every name with its nearest font, so the match counts
// only if it has that family name.
bool installedFace(const char* name, bool bold, bool italic, FaceFile& face) {
  if (!FcInit()) return false;
  // Nothing of fontconfig is needed after the look-up; without FcFini some of
  // its memory is never released.
  struct Fini {
    ~Fini() { FcFini(); }
  } fini;
  const auto* family = reinterpret_cast<const FcChar8*>(name);
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, family);
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;

  bool found = false;
  FcChar8* value;
  for (int i = 0; !found && FcPatternGetString(match, FC_FAMILY, i, &value) == FcResultMatch; ++i)
    found = FcStrCmpIgnoreCase(value, family) == 0;
  if (found && FcPatternGetString(match, FC_FILE, 0, &value) == FcResultMatch) {
    face.file = reinterpret_cast<const char*>(value);
    int slant = FC_SLANT_ROMAN, weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(match, FC_INDEX, 0, &face.index);
    FcPatternGetInteger(match, FC_SLANT, 0, &slant);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    face.italic = slant != FC_SLANT_ROMAN;
    face.bold = weight >= FC_WEIGHT_DEMIBOLD;
  } else {
    found = false;
  }
  FcPatternDestroy(match);
  return found;
}

#endif
