#include "show/demo_app.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <initializer_list>
#include <new>
#include <vector>

#include "app/clock.h"
#include "app/data_path.h"
#include "fx/outline_font.h"
#include "fx/particle.h"
#include "assets/picture_texture.h"
#include "show/procedural_textures.h"

SongHandle::SongHandle() { FSOUND_Init(44100, 16, 0); }

SongHandle::~SongHandle() { FSOUND_Close(); }

DemoApp::DemoApp(int width, int height, int bits, bool fullscreen)
    : GlWindowApp(width, height, demoTitle, bits, bits, fullscreen, true) {}

DemoApp::~DemoApp() {
  delete font;
  for (Particle* particle : particles) delete particle;
  // mesh, then the sound system (with `song`), then the window framework.
}

void DemoApp::shutdown() {}

void DemoApp::idle() { GlWindowApp::idle(); }

namespace {

void setShowState() {
  for (GLenum capability : std::initializer_list<GLenum>{GL_ALPHA_TEST, GL_AUTO_NORMAL, GL_DITHER, GL_FOG, GL_LINE_SMOOTH,
                            GL_LINE_STIPPLE, GLenum(0x0BF1) /* GL_INDEX_LOGIC_OP */, GL_POINT_SMOOTH,
                            GL_POLYGON_SMOOTH, GL_POLYGON_STIPPLE, GL_SCISSOR_TEST, GL_STENCIL_TEST,
                            GL_TEXTURE_1D})
    glDisable(capability);
  for (GLenum capability : std::initializer_list<GLenum>{GL_BLEND, GL_CULL_FACE, GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0,
                            GL_NORMALIZE, GL_TEXTURE_2D, GL_COLOR_MATERIAL})
    glEnable(capability);
  glCullFace(GL_BACK);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
  glShadeModel(GL_SMOOTH);
  glMateriali(GL_FRONT, GL_SHININESS, 10);
  const GLfloat ambientAndDiffuse[] = {0.5f, 0.5f, 0.5f, 0.0f};
  const GLfloat specular[] = {0.9f, 0.9f, 0.9f, 0.0f};
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, ambientAndDiffuse);
  glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

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
  font = new (std::nothrow) OutlineFont("Impact", false, true, true, 0.001f, 0.1f, 255, 0);

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
