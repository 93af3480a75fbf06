// The particle fields of Presents, Main title and Dino rise drawn at a
// fraction of the frame's size and stretched over it.
//
// Each field is the first thing drawn on the cleared frame: glows added on
// black, a smooth ramp with no edge of its own, which a ninth of the pixels
// describe within the reference frames' tolerance, for a ninth of the
// rasteriser's filling. Between begin and end the particles are drawn into
// the viewport's corner, smaller by the divisors, with a ring of one pixel
// around it that the projection reaches into; end copies the corner into a
// texture and draws that over the whole viewport, bilinear, in place of
// what is there (black: adding to black is the same). The text and the
// character come after, at full size. Below 720 lines the field is drawn
// as it is.
#pragma once
#include <GL/gl.h>

class GlowLayer {
 public:
  // How the field is made smaller. Where the sum of many glows saturates,
  // its edge is as sharp as any: a field of streaks that always lie across
  // the frame (Dino rise) keeps every line and loses columns only, twice
  // as many, since along a streak nothing changes fast.
  enum Shrink { bothWays, acrossOnly };

  // Reads the viewport and, when it is large enough, draws from here on into its corner.
  void begin(Shrink shrink = bothWays);
  // Stretches the corner over the viewport and restores the viewport and
  // the projection; the rest of the GL state is as it was.
  void end();

  // Lines of the viewport per line of a field made smaller both ways: 1
  // below 720 lines, 2 from 720, 3 from 1080, and so on.
  static int divisorFor(int viewportHeight);

  int across = 1;          // frame columns per column of the field
  int down = 1;            // frame lines per line of the field
  GLint viewport[4] = {};  // the frame's: x, y, width, height
  int width = 0;           // the field's size, without its ring
  int height = 0;
  GLuint texture = 0;      // made at first use, kept while the size holds
  int textureWidth = 0;    // powers of two, as GL 1.1 wants
  int textureHeight = 0;
};
