// The demo object: owns every resource of the show.
#pragma once
#include <cstdint>
#include <memory>

#include "app/gl_window_app.h"
#include "assets/mesh.h"
#include "fx/cube_lattice.h"
#include "fx/outline_font.h"
#include "fx/rosette.h"
#include "fx/shape_cache.h"
#include "music/music.h"
#include "show/director.h"

class Particle;

// How the show keeps time and plays its song: live (the clock's ticks and
// the song as heard from the sound output, which reaches the ear
// `audioOffsetMs` later than the output reports) or, with `fps`, on a fixed
// step of that many frames a second with the song rendered in lockstep; the
// song starts at order `startOrder`.
struct PlaySettings {
  double fps = 0;
  int startOrder = 0;
  int audioOffsetMs = 0;
};

// What the entry chooses for the show besides the display mode, handed down
// when the demo object is made: where the text's face comes from, how the
// window is made, how the show keeps time and plays, and whether the scenes
// that strobe hold their flashing to at most three a second.
struct ShowSettings {
  FaceSettings faces;
  WindowSettings window;
  PlaySettings play;
  bool reduceFlashing = false;
};

// The song handle. Constructing it starts the sound system as `play` says
// and destroying it closes the sound system, so its place among the members
// fixes both moments. Without a window (`start` false) there is no show and
// no sound system.
struct SongHandle {
  SongHandle(bool start, const PlaySettings& play);
  ~SongHandle();
  SongHandle(const SongHandle&) = delete;
  SongHandle& operator=(const SongHandle&) = delete;
  SongHandle& operator=(FMUSIC_MODULE* module) {
    handle = module;
    return *this;
  }
  operator FMUSIC_MODULE*() const { return handle; }
  FMUSIC_MODULE* handle = nullptr;
  bool started;
};

// The show: owns every resource and draws the scene of each frame from the
// music position.
class DemoApp : public GlWindowApp {
 public:
  static constexpr const char* demoTitle = "FLIPP KROMA - The return of ARLO FENK";

  DemoApp(int width, int height, int bits, bool fullscreen, ShowSettings settings);
  ~DemoApp() override;

  void shutdown() override;
  // The scene director.
  void draw() override { director.draw(); }
  void idle() override;
  void init() override;

  void drawCharacter();
  unsigned loadTexture(const char* fileName);

  OutlineFont* font = nullptr;
  Particle* particles[100] = {};
  std::uint32_t glowTexture = 0;
  std::uint32_t pictureTexture = 0;
  std::uint32_t stripeTexture = 0;
  SongHandle song;
  std::uint32_t songStartTime = 0;
  Mesh mesh;
  CubeLattice lattice;
  Rosette rosette{5, 0.2f, 0.1f};

  ShowSettings settings;
  // The display lists of the character's eyes, made in this object's GL context.
  ShapeCache shapes;

  // Chooses and draws each frame's scene; holds the state that outlives a frame.
  Director director{*this};
};
