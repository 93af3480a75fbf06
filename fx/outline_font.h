#pragma once
#include <GL/gl.h>

// The two glyph metrics the text layout reads, in em units.
struct GLYPHMETRICSFLOAT {
  float gmfBlackBoxX;
  float gmfBlackBoxY;
  float gmfptGlyphOriginX;
  float gmfptGlyphOriginY;
  float gmfCellIncX;
  float gmfCellIncY;
};

// Solid 3D letters from an outline font: one display list per glyph (front
// face at z = 0, back face at z = -extrusion, side walls between), plus the
// metrics of every glyph. Needs a current GL context.
class OutlineFont {
 public:
  OutlineFont(const char* faceName, bool bold, bool italic, bool filled, float deviation,
              float extrusion, int glyphCount, int firstGlyph);
  ~OutlineFont();
  OutlineFont(const OutlineFont&) = delete;
  OutlineFont& operator=(const OutlineFont&) = delete;

  // Draws the text centred on the current origin in all three axes.
  void drawText(const char* text);

  float extrusion;
  GLuint listBase = 0;
  int firstGlyph;
  int glyphCount;
  GLYPHMETRICSFLOAT* metrics = nullptr;
};
