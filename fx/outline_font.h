// 3D outline text from a TrueType or OpenType face.
#pragma once
#include <GL/gl.h>

#include <array>
#include <string>

// The metrics of one glyph, in em units (the em square is 1.0). The text
// layout reads gmfCellIncX (advance) and gmfBlackBoxY (black-box height).
// The record keeps the name and fields of the platform outline-font
// service's own, which the text layout and the scenes were written against;
// here FreeType fills it.
struct GLYPHMETRICSFLOAT {
  float gmfBlackBoxX;
  float gmfBlackBoxY;
  float gmfptGlyphOriginX;
  float gmfptGlyphOriginY;
  float gmfCellIncX;
  float gmfCellIncY;
};

// A face file and what it already has of the style asked for.
struct FaceFile {
  std::string file;
  int index = 0;
  bool italic = false;
  bool bold = false;
};

// Where a font's face comes from: the entry chooses, and the font is handed
// the choice when it is made.
struct FaceSettings {
  // The face used when the asked-for family is not installed. Relative paths
  // are taken from the working directory.
  std::string bundledFaceFile = "data/fonts/anton-latin-400-normal.woff";
  // When not empty, the face is read from this file and no installed family
  // is looked up (the bundled face stays the fallback).
  std::string chosenFaceFile;
  // Finds the installed face of a family by the platform's own means. Null:
  // only the bundled face is used.
  bool (*findInstalledFace)(const char* name, bool bold, bool italic, FaceFile& face) = nullptr;
};

// Solid 3D letters from an outline font: one display list per glyph (front
// face at z = 0, back face at z = -extrusion, side walls between), plus the
// metrics of every glyph. Glyph code c is the Latin-1 character c. The face
// of family `faceName` is found as `faces` says. Needs a current GL context.
// When no face can be read the font stays empty (listBase 0, metrics null)
// and draws nothing.
class OutlineFont {
 public:
  OutlineFont(const FaceSettings& faces, const char* faceName, bool bold, bool italic, bool filled, float deviation,
              float extrusion, int glyphCount, int firstGlyph);
  ~OutlineFont();
  OutlineFont(const OutlineFont&) = delete;
  OutlineFont& operator=(const OutlineFont&) = delete;

  // Draws the text centred on the current origin in all three axes. Codes
  // without a glyph are skipped. Leaves the front face counter-clockwise.
  void drawText(const char* text);

  // The translation drawText makes before its glyphs: minus half the total
  // advance, minus half the mean black-box height, half the depth.
  std::array<double, 3> centring(const char* text) const;

  float extrusion;
  GLuint listBase = 0;
  int firstGlyph;
  int glyphCount;
  GLYPHMETRICSFLOAT* metrics = nullptr;
};
