// The particle fields of Presents, Main title and Dino rise drawn at a fraction of the
// frame's size and stretched over it.
//
// Each field is the first thing drawn on the cleared frame: glows added on
// black, smooth ramps with no edge of their own, which far fewer pixels
// describe within the reference frames' tolerance, for that much less of
// the rasteriser's filling. Between begin and end the particles are drawn
// into the viewport's corner, smaller by the divisors, with a ring of one
// pixel around it that the projection reaches into; end copies the corner
// into a texture and draws that over the whole viewport, bilinear, in place
// of what is there (black: adding to black is the same). The text and the
// character come after, at full size. Multisampling is off meanwhile: glows
// have no edges to smooth, the stretch covers whole pixels (the same
// picture), and a multisampled frame would have every sample filled.
//
// How far a field may shrink is the scene's to say, by the frame-by-frame
// comparison with the field drawn whole (bench/README.md): where many glows
// add up past white, or a streak is seen edge on or end on, the field has
// edges as sharp as any, and a smaller field moves them (Main title's field
// is drawn whole while its camera passes through the streaks).
#pragma once
#include <GL/gl.h>

#include <cstdint>
#include <vector>

// Windows' GL 1.1 header stops short of multisampling (GL 1.3).
#ifndef GL_MULTISAMPLE
#define GL_MULTISAMPLE 0x809D
#endif

class GlowLayer {
 public:
  // Reads the viewport and draws from here on into its corner, with the
  // frame's columns and lines divided by the divisors given for 1080 lines,
  // in proportion on larger frames; frames of fewer lines draw it whole.
  void begin(int acrossAtFullHd, int downAtFullHd);
  // Stretches the corner over the viewport and restores the viewport and
  // the projection; the rest of the GL state is as it was.
  void end();

  // The divisor at `lines` lines for `atFullHd` at 1080: 1 below 1080 lines.
  static int divisorAt(int lines, int atFullHd);

  int across = 1;          // frame columns per column of the field
  int down = 1;            // frame lines per line of the field
  GLint viewport[4] = {};  // the frame's: x, y, width, height
  int width = 0;           // the field's size, without its ring
  int height = 0;
  int ringX = 0;           // the ring's width at the left and right, 0 or 1
  int ringY = 0;           // ... at the bottom and top
  GLboolean multisampled = GL_FALSE;  // the frame's multisampling, off from begin to end
  GLuint texture = 0;      // made at first use, kept while the size holds
  int textureWidth = 0;    // powers of two, as GL 1.1 wants
  int textureHeight = 0;
  std::vector<std::uint8_t> pixels;  // the field read back, RGBA, kept for its room
};
