// 3D outline text: FreeType glyphs flattened, GLU-tessellated and extruded into display lists.
#include "fx/outline_font.h"

#include <GL/glu.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <utility>
#include <vector>

namespace {

// Outlines are loaded unhinted at this many pixels per em (26.6 fixed point),
// fine enough that their rounding stays far below any useful deviation.
constexpr int emPixels = 1024;
constexpr double unitsPerEm = 64.0 * emPixels;

struct Point {
  double x, y;
};
using Contour = std::vector<Point>;

// The face in `file`; null, after a line on standard error that names the
// file, says why and what `instead` happens, when it cannot be read.
FT_Face openScalable(FT_Library library, const std::string& file, int index, const char* instead) {
  FT_Face face = nullptr;
  const char* why = "not a face FreeType can read";
  if (std::FILE* in = std::fopen(file.c_str(), "rb")) {
    std::fclose(in);
    if (!FT_New_Face(library, file.c_str(), index, &face)) {
      if (FT_IS_SCALABLE(face) && !FT_Set_Char_Size(face, 0, emPixels * 64, 72, 72)) return face;
      FT_Done_Face(face);
      why = "no outlines to scale";
    }
  } else {
    why = std::strerror(errno);
  }
  std::fprintf(stderr, "font: cannot read \"%s\" (%s); %s\n", file.c_str(), why, instead);
  return nullptr;
}

// The chosen face file, or else the installed face of family `name`; failing
// that, the bundled face; null if none can be read. `slant` and `embolden`
// tell what the face lacks of the style.
FT_Face openFace(FT_Library library, const FaceSettings& faces, const char* name, bool bold, bool italic,
                 bool& slant, bool& embolden) {
  FaceFile found;
  FT_Face face = nullptr;
  if (!faces.chosenFaceFile.empty()) {
    found.file = faces.chosenFaceFile;
    face = openScalable(library, found.file, 0, "the bundled face is used instead");
  } else if (faces.findInstalledFace && faces.findInstalledFace(name, bold, italic, found)) {
    face = openScalable(library, found.file, found.index, "the bundled face is used instead");
  }
  if (!face) {
    found = FaceFile{};
    face = openScalable(library, faces.bundledFaceFile, 0, "the text is not drawn");
  }
  slant = italic && !found.italic;
  embolden = bold && !found.bold;
  return face;
}

// Number of chords that keep a curve within the deviation, from
// (curvature bound / deviation); at least 1, at most 256.
int chordCount(double ratio) {
  if (!(ratio > 1)) return 1;
  if (ratio > 256.0 * 256.0) return 256;
  return static_cast<int>(std::ceil(std::sqrt(ratio)));
}

// Turns an outline into closed polylines (em units) whose chords stay within
// `deviation` of the curves.
struct Flattener {
  double deviation;
  std::vector<Contour> contours;
  Point last{0, 0};

  static Point em(const FT_Vector* v) { return {v->x / unitsPerEm, v->y / unitsPerEm}; }

  void add(Point p) {
    Contour& c = contours.back();
    if (c.empty() || c.back().x != p.x || c.back().y != p.y) c.push_back(p);
    last = p;
  }

  static int moveTo(const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    f->contours.emplace_back();
    f->add(em(to));
    return 0;
  }
  static int lineTo(const FT_Vector* to, void* user) {
    static_cast<Flattener*>(user)->add(em(to));
    return 0;
  }
  // Quadratic: a chord over 1/n of the curve deviates at most |p0 - 2 p1 + p2| / (4 n^2).
  static int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* f = static_cast<Flattener*>(user);
    const Point p0 = f->last, p1 = em(control), p2 = em(to);
    const double d = std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y);
    const int n = chordCount(d / (4 * f->deviation));
    for (int i = 1; i <= n; ++i) {
      const double t = double(i) / n, s = 1 - t;
      f->add({s * s * p0.x + 2 * s * t * p1.x + t * t * p2.x,
              s * s * p0.y + 2 * s * t * p1.y + t * t * p2.y});
    }
    return 0;
  }
  // Cubic: the second derivative is at most 6 M, M the larger second
  // difference, so a chord over 1/n deviates at most 3 M / (4 n^2).
  static int cubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to,
                     void* user) {
    auto* f = static_cast<Flattener*>(user);
    const Point p0 = f->last, p1 = em(control1), p2 = em(control2), p3 = em(to);
    const double m = std::max(std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                              std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
    const int n = chordCount(3 * m / (4 * f->deviation));
    for (int i = 1; i <= n; ++i) {
      const double t = double(i) / n, s = 1 - t;
      const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, e = t * t * t;
      f->add({a * p0.x + b * p1.x + c * p2.x + e * p3.x, a * p0.y + b * p1.y + c * p2.y + e * p3.y});
    }
    return 0;
  }

  void flatten(FT_Outline* outline) {
    static const FT_Outline_Funcs funcs = {moveTo, lineTo, conicTo, cubicTo, 0, 0};
    FT_Outline_Decompose(outline, &funcs, this);
    // Contours close by themselves: drop the repeated start and any remnant
    // too small to enclose anything.
    std::vector<Contour> kept;
    for (Contour& c : contours) {
      if (c.size() > 1 && c.front().x == c.back().x && c.front().y == c.back().y) c.pop_back();
      if (c.size() >= 3) kept.push_back(std::move(c));
    }
    contours = std::move(kept);
  }
};

// The type gluTessCallback takes: Mesa's glu.h names it, Windows' does not.
#ifdef _WIN32
using TessCallback = void(CALLBACK*)();
#else
using TessCallback = _GLUfuncptr;
#endif

// The GLU tessellator, run either for triangles or for the boundary of the
// filled region (exterior loops counter-clockwise, holes clockwise).
class Tessellator {
 public:
  Tessellator() : tess(gluNewTess()) {
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<TessCallback>(begin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(vertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(combine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<TessCallback>(error));
    // Asking for edge flags keeps the output to plain triangles.
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<TessCallback>(edgeFlag));
    gluTessNormal(tess, 0, 0, 1);
  }
  ~Tessellator() { gluDeleteTess(tess); }
  Tessellator(const Tessellator&) = delete;
  Tessellator& operator=(const Tessellator&) = delete;

  // Triangles of the filled region, counter-clockwise seen from +z, three points each.
  std::vector<Point> triangles(const std::vector<Contour>& contours, bool evenOdd) {
    run(contours, evenOdd, false);
    std::vector<Point> out;
    for (const Contour& loop : loops) out.insert(out.end(), loop.begin(), loop.end());
    for (size_t i = 0; i + 2 < out.size(); i += 3) {
      const Point a = out[i], b = out[i + 1], c = out[i + 2];
      if ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) < 0) std::swap(out[i + 1], out[i + 2]);
    }
    out.resize(out.size() / 3 * 3);
    return out;
  }

  // Closed loops around the filled region, the region on their left.
  std::vector<Contour> boundary(const std::vector<Contour>& contours, bool evenOdd) {
    run(contours, evenOdd, true);
    return std::move(loops);
  }

 private:
  void run(const std::vector<Contour>& contours, bool evenOdd, bool boundaryOnly) {
    loops.clear();
    made.clear();
    failed = false;
    std::vector<std::array<GLdouble, 3>> input;
    for (const Contour& c : contours)
      for (const Point& p : c) input.push_back({p.x, p.y, 0});
    gluTessProperty(tess, GLU_TESS_WINDING_RULE,
                    evenOdd ? GLU_TESS_WINDING_ODD : GLU_TESS_WINDING_NONZERO);
    gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, boundaryOnly ? GL_TRUE : GL_FALSE);
    gluTessBeginPolygon(tess, this);
    size_t k = 0;
    for (const Contour& c : contours) {
      gluTessBeginContour(tess);
      for (size_t i = 0; i < c.size(); ++i, ++k) gluTessVertex(tess, input[k].data(), input[k].data());
      gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    if (failed) loops.clear();
  }

  static void APIENTRY begin(GLenum, void* self) { static_cast<Tessellator*>(self)->loops.emplace_back(); }
  static void APIENTRY vertex(void* v, void* self) {
    const auto* p = static_cast<const GLdouble*>(v);
    static_cast<Tessellator*>(self)->loops.back().push_back({p[0], p[1]});
  }
  static void APIENTRY combine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* self) {
    auto& made = static_cast<Tessellator*>(self)->made;
    made.push_back({coords[0], coords[1], coords[2]});
    *out = made.back().data();
  }
  static void APIENTRY error(GLenum, void* self) { static_cast<Tessellator*>(self)->failed = true; }
  static void APIENTRY edgeFlag(GLboolean, void*) {}

  GLUtesselator* tess;
  std::vector<Contour> loops;
  std::deque<std::array<GLdouble, 3>> made;  // vertices at crossings; stable addresses
  bool failed = false;
};

// Compiles one glyph: front face at z = 0 facing +z, back face at
// z = -extrusion facing -z, side walls facing out; or, unfilled, the outline
// at z = 0. Ends with the step to the next glyph.
void compileGlyph(GLuint list, const std::vector<Contour>& contours, bool evenOdd, bool filled,
                  float extrusion, float advance, Tessellator& tessellator) {
  glNewList(list, GL_COMPILE);
  if (filled && !contours.empty()) {
    const std::vector<Point> triangles = tessellator.triangles(contours, evenOdd);
    const double back = -extrusion;
    glBegin(GL_TRIANGLES);
    glNormal3f(0, 0, 1);
    for (const Point& p : triangles) glVertex3d(p.x, p.y, 0);
    glNormal3f(0, 0, -1);
    for (size_t i = 0; i < triangles.size(); i += 3)
      for (size_t j : {i + 2, i + 1, i}) glVertex3d(triangles[j].x, triangles[j].y, back);
    glEnd();
    glBegin(GL_QUADS);
    for (const Contour& loop : tessellator.boundary(contours, evenOdd)) {
      for (size_t i = 0; i < loop.size(); ++i) {
        const Point p = loop[i], q = loop[(i + 1) % loop.size()];
        const double dx = q.x - p.x, dy = q.y - p.y, length = std::hypot(dx, dy);
        if (length == 0) continue;
        glNormal3d(dy / length, -dx / length, 0);
        glVertex3d(p.x, p.y, 0);
        glVertex3d(p.x, p.y, back);
        glVertex3d(q.x, q.y, back);
        glVertex3d(q.x, q.y, 0);
      }
    }
    glEnd();
  } else if (!filled) {
    for (const Contour& c : contours) {
      glBegin(GL_LINE_LOOP);
      for (const Point& p : c) glVertex3d(p.x, p.y, 0);
      glEnd();
    }
  }
  glTranslatef(advance, 0, 0);
  glEndList();
}

}  // namespace

OutlineFont::OutlineFont(const FaceSettings& faces, const char* faceName, bool bold, bool italic, bool filled,
                         float deviation, float extrusion, int glyphCount, int firstGlyph)
    : extrusion(extrusion), firstGlyph(firstGlyph), glyphCount(glyphCount) {
  if (glyphCount <= 0) return;
  FT_Library library;
  if (FT_Init_FreeType(&library)) return;
  bool slant = false, embolden = false;
  FT_Face face = openFace(library, faces, faceName, bold, italic, slant, embolden);
  if (face) listBase = glGenLists(glyphCount);
  if (listBase) {
    metrics = new GLYPHMETRICSFLOAT[glyphCount]();
    // The synthetic italic of the platform: x += y / 4.
    FT_Matrix shear = {0x10000, 0x10000 / 4, 0, 0x10000};
    // Synthetic bold thickens by 1/24 em and widens the advance as much.
    const FT_Pos strength = static_cast<FT_Pos>(unitsPerEm / 24);
    Tessellator tessellator;
    for (int i = 0; i < glyphCount; ++i) {
      const FT_ULong code = static_cast<FT_ULong>(firstGlyph + i);
      std::vector<Contour> contours;
      bool evenOdd = false;
      float advance = 0;
      GLYPHMETRICSFLOAT& m = metrics[i];
      if (!FT_Load_Glyph(face, FT_Get_Char_Index(face, code), FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) &&
          face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline* outline = &face->glyph->outline;
        double width = face->glyph->linearHoriAdvance / 65536.0 * 64.0;
        if (embolden) {
          FT_Outline_Embolden(outline, strength);
          width += static_cast<double>(strength);
        }
        if (slant) FT_Outline_Transform(outline, &shear);
        advance = static_cast<float>(width / unitsPerEm);
        FT_BBox box;
        FT_Outline_Get_BBox(outline, &box);
        m.gmfBlackBoxX = static_cast<float>((box.xMax - box.xMin) / unitsPerEm);
        m.gmfBlackBoxY = static_cast<float>((box.yMax - box.yMin) / unitsPerEm);
        m.gmfptGlyphOriginX = static_cast<float>(box.xMin / unitsPerEm);
        m.gmfptGlyphOriginY = static_cast<float>(box.yMax / unitsPerEm);
        m.gmfCellIncX = advance;
        Flattener flattener{deviation, {}};
        flattener.flatten(outline);
        contours = std::move(flattener.contours);
        evenOdd = (outline->flags & FT_OUTLINE_EVEN_ODD_FILL) != 0;
      }
      compileGlyph(listBase + static_cast<GLuint>(i), contours, evenOdd, filled, extrusion, advance,
                   tessellator);
    }
  }
  FT_Done_FreeType(library);
}

OutlineFont::~OutlineFont() {
  if (listBase) glDeleteLists(listBase, glyphCount);
  delete[] metrics;
}

std::array<double, 3> OutlineFont::centring(const char* text) const {
  float advance = 0, height = 0;
  int n = 0;
  for (const auto* p = reinterpret_cast<const unsigned char*>(text); metrics && *p; ++p) {
    const int i = *p - firstGlyph;
    if (i < 0 || i >= glyphCount) continue;
    advance -= metrics[i].gmfCellIncX;
    height -= metrics[i].gmfBlackBoxY;
    ++n;
  }
  return {advance * 0.5, n ? height / static_cast<float>(2 * n) : 0.0f, extrusion * 0.5};
}

void OutlineFont::drawText(const char* text) {
  if (metrics) {
    const auto [x, y, z] = centring(text);
    glPushMatrix();
    glTranslated(x, y, z);
    glPushAttrib(GL_LIST_BIT);
    glListBase(listBase - static_cast<GLuint>(firstGlyph));
    // The glyph lists, run by run, stepping over codes that have none.
    const auto hasGlyph = [this](unsigned char c) { return c >= firstGlyph && c - firstGlyph < glyphCount; };
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
      const unsigned char* run = p;
      while (*p && hasGlyph(*p)) ++p;
      if (p != run) glCallLists(static_cast<GLsizei>(p - run), GL_UNSIGNED_BYTE, run);
      while (*p && !hasGlyph(*p)) ++p;
    }
    glPopAttrib();
    glPopMatrix();
  }
  glFrontFace(GL_CCW);
}
