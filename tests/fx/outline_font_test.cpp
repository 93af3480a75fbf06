// Tests of the 3D outline text: glyph lists, metrics, centring, missing faces.
#include "fx/outline_font.h"

#include <memory>

#include "tests/fx/fx_gl.h"

namespace {

// A font from the bundled face, as the show builds it unless told otherwise.
std::unique_ptr<OutlineFont> bundled(bool bold = false, bool italic = false) {
  bundledFaceFile = FK_TEST_FONT_FILE;
  return std::make_unique<OutlineFont>("No Such Family Here", bold, italic, true, 0.001f, 0.1f, 255, 0);
}

}  // namespace

TEST(FxTextCentring, HalfTheAdvanceHalfTheMeanHeightAndHalfTheDepth) {
  // No face, and hand-made metrics (advance, height) for 'A', 'B', 'C'.
  bundledFaceFile = "";
  OutlineFont font("No Such Family Here", false, false, true, 0.001f, 0.2f, 3, 'A');
  font.metrics = new GLYPHMETRICSFLOAT[3]{{0, 0.75f, 0, 0, 0.5f, 0}, {0, 0.5f, 0, 0, 0.25f, 0}, {0, 1, 0, 0, 0.75f, 0}};
  const double z = 0.2f * 0.5;
  EXPECT_EQ(font.centring("A"), (std::array<double, 3>{-0.25, -0.375, z}));
  EXPECT_EQ(font.centring("AB"), (std::array<double, 3>{-0.375, -0.3125, z}));
  EXPECT_EQ(font.centring("CAB"), font.centring("BCA"));
  // Codes without a glyph count for nothing.
  EXPECT_EQ(font.centring("A@zB\xff"), font.centring("AB"));
  EXPECT_EQ(font.centring(""), (std::array<double, 3>{0, 0, z}));
  EXPECT_EQ(font.centring("xyz"), font.centring(""));
}

class FxOutlineFont : public FxGl {};

TEST_F(FxOutlineFont, HeavyGlyphsInEmUnitsWithSyntheticItalicAndBold) {
  const auto upright = bundled(), italic = bundled(false, true), bold = bundled(true, false);
  ASSERT_NE(upright->metrics, nullptr);
  const GLYPHMETRICSFLOAT& h = upright->metrics[int{'H'}];
  // A condensed display face: caps about 0.7 em tall and well under an em wide.
  EXPECT_GT(h.gmfBlackBoxY, 0.6f);
  EXPECT_LT(h.gmfBlackBoxY, 0.9f);
  EXPECT_GT(h.gmfBlackBoxX, 0.2f);
  EXPECT_LT(h.gmfCellIncX, 0.8f);
  EXPECT_GT(upright->metrics[0xC9].gmfBlackBoxY, h.gmfBlackBoxY);  // E acute: Latin-1 codes

  // Italic slants by a quarter of the height; bold widens by 1/24 em.
  const GLYPHMETRICSFLOAT &u = upright->metrics[int{'I'}], &i = italic->metrics[int{'I'}], &b = bold->metrics[int{'I'}];
  EXPECT_NEAR(i.gmfBlackBoxX, u.gmfBlackBoxX + 0.25f * u.gmfBlackBoxY, 1e-4);
  EXPECT_FLOAT_EQ(i.gmfCellIncX, u.gmfCellIncX);
  EXPECT_NEAR(b.gmfCellIncX, u.gmfCellIncX + 1.0f / 24, 1e-4);
  EXPECT_GT(b.gmfBlackBoxX, u.gmfBlackBoxX + 0.03f);
}

TEST_F(FxOutlineFont, TextIsSolidAndCentredOnTheOrigin) {
  const auto font = bundled();
  plainScene(1);  // 64 pixels per em
  glEnable(GL_CULL_FACE);
  font->drawText("H");
  const Lit h = lit();
  const float width = font->metrics[int{'H'}].gmfBlackBoxX * 64, height = font->metrics[int{'H'}].gmfBlackBoxY * 64;
  EXPECT_NEAR(h.x1 - h.x0 + 1, width, 1.5);
  EXPECT_NEAR(h.y1 - h.y0 + 1, height, 1.5);
  // H is symmetric, so its box sits on the middle of the frame.
  EXPECT_NEAR((h.x0 + h.x1 + 1) / 2.0, 64, 1.5);
  EXPECT_NEAR((h.y0 + h.y1 + 1) / 2.0, 64, 1.5);
  // Solid: the stems are filled, the counter above the bar is not.
  EXPECT_GT(h.count, 0.5 * width * height);
  EXPECT_EQ(gl->pixel(h.x0 + 3, 64)[0], 255);
  EXPECT_EQ(gl->pixel(64, h.y1 - 3)[0], 0);
}

TEST_F(FxOutlineFont, DrawTextRestoresStateButLeavesFrontFaceCounterClockwise) {
  const auto font = bundled(false, true);
  plainScene(4);
  glRotatef(30, 1, 2, 3);
  glListBase(7);
  const std::vector<GLfloat> before = modelview();
  for (const char* text : {"ZELVARON", ""}) {
    glFrontFace(GL_CW);
    font->drawText(text);
    EXPECT_EQ(modelview(), before);
    GLint value;
    glGetIntegerv(GL_LIST_BASE, &value);
    EXPECT_EQ(value, 7);
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CCW);
  }
  glListBase(0);
}

TEST_F(FxOutlineFont, CodesWithoutGlyphAndEmptyFontsDrawNothing) {
  const auto font = bundled();
  // Code 255 has no glyph with 255 glyphs from 0; a list that happens to
  // follow the font's lists must not be called for it.
  const GLuint stray = glGenLists(1);
  glNewList(stray, GL_COMPILE);
  glRectf(-10, -10, 10, 10);
  glEndList();
  plainScene(2);
  font->drawText("H");
  const std::vector<std::uint8_t> plain = gl->readRgb();
  plainScene(2);
  font->drawText("\xffH\xff");
  EXPECT_EQ(gl->readRgb(), plain);
  glDeleteLists(stray, 1);

  // fontconfig answers an unknown family with some other font: that must not
  // be taken, and without the bundled face the font stays empty.
  bundledFaceFile = "/nonexistent/face.woff";
  OutlineFont empty("No Such Family Here", false, true, true, 0.001f, 0.1f, 255, 0);
  EXPECT_EQ(empty.metrics, nullptr);
  plainScene(2);
  const std::vector<GLfloat> before = modelview();
  empty.drawText("H");
  EXPECT_EQ(lit().count, 0);
  EXPECT_EQ(modelview(), before);
}
