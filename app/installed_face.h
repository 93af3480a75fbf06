// The installed face of a font family, found by the platform's own means.
#pragma once
#include "fx/outline_font.h"

// The face of family `name` closest to the style asked for; false when that
// family is not installed. Linux asks fontconfig; Windows reads the system's
// font list, whose files are in its fonts folder.
bool installedFace(const char* name, bool bold, bool italic, FaceFile& face);
