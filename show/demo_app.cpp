// The demo object: construction, start-up, tear-down and the operations the scenes use.
#include "show/demo_app.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <new>
#include <utility>
#include <vector>

#include "app/clock.h"
#include "app/data_path.h"
#include "fx/character.h"
#include "fx/particle.h"
#include "assets/picture_texture.h"
#include "music/music_control.h"
#include "show/procedural_textures.h"
#include "show/show_state.h"

SongHandle::SongHandle(bool start, const PlaySettings& play) : started(start) {
  if (!started) return;
  music::useLockstep(play.fps > 0 ? &timeGetTime : nullptr);
  music::setStartOrder(play.startOrder);
  music::setAudioOffset(play.audioOffsetMs);
  FSOUND_Init(44100, 16, 0);
}

SongHandle::~SongHandle() {
  if (started) FSOUND_Close();
}

namespace {
// The clock is chosen before the window framework first reads it.
const WindowSettings& chooseClock(const ShowSettings& settings) {
  if (settings.play.fps > 0) showclock::useFixedStep(settings.play.fps);
  return settings.window;
}
}  // namespace

DemoApp::DemoApp(int width, int height, int bits, bool fullscreen, ShowSettings settings)
    : GlWindowApp(width, height, demoTitle, bits, bits, fullscreen, true, chooseClock(settings)),
      song(!failed, settings.play),
      settings(std::move(settings)) {
  lattice.reduceFlashing = this->settings.reduceFlashing;
}

DemoApp::~DemoApp() {
  delete font;
  for (Particle* particle : particles) delete particle;
  // mesh, then the sound system (with `song`), then the window framework.
}

void DemoApp::shutdown() {}

void DemoApp::idle() { GlWindowApp::idle(); }

namespace {

GLuint uploadTexture(const std::vector<std::uint8_t>& image) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, proceduralTextureSize, proceduralTextureSize, GL_RGB, GL_UNSIGNED_BYTE,
                    image.data());
  return name;
}

}  // namespace

void DemoApp::init() {
  setShowState();
  font = new (std::nothrow) OutlineFont(settings.faces, "Impact", false, true, true, 0.001f, 0.1f, 255, 0);

  std::vector<std::uint8_t> scratch(proceduralTextureSize * proceduralTextureSize * 3);
  makeGlowImage(scratch);
  glowTexture = uploadTexture(scratch);
  makeStripeImage(scratch);
  stripeTexture = uploadTexture(scratch);

  for (int i = 0; i < 100; ++i) particles[i] = createParticle(i);
  mesh.load(dataFile("dino.obj").c_str(), true);
  pictureTexture = loadTexture(dataFile("ko.bmp").c_str());

  if (song) {
    FMUSIC_StopSong(song);
    FMUSIC_FreeSong(song);
  }
  song = FMUSIC_LoadSong(dataFile("ko-trampelin.it").c_str());
  FMUSIC_PlaySong(song);
  songStartTime = timeGetTime();
}

unsigned DemoApp::loadTexture(const char* fileName) { return makePictureTexture(fileName); }

// The pupils follow the level of sound channel 0 while it plays (its low 8 bits).
void DemoApp::drawCharacter() {
  ::drawCharacter(mesh, (FSOUND_GetVolume(0) * FSOUND_IsPlaying(0)) & 0xFF, shapes);
}
