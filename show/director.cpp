// The scene director: frame clock, clear and light, dispatch by the scene table, channel overlays.
#include "show/director.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "app/clock.h"
#include "fx/outline_font.h"
#include "fx/particle.h"
#include "music/music.h"
#include "show/demo_app.h"
#include "show/scenes.h"

void additiveBlending() { glBlendFunc(GL_SRC_ALPHA, GL_ONE); }

void textureGeneration(bool on) {
  if (on) {
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
  } else {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
  }
}

int Director::row() const { return FMUSIC_GetRow(app.song); }

void Director::camera(double x, double y, double z) const { gluLookAt(x, y, z, 0, 0, 0, 0, 1, 0); }

void Director::text(const char* s) const {
  if (app.font) app.font->drawText(s);
}

void Director::character() const { app.drawCharacter(); }

void Director::particle(int i) const {
  if (app.particles[i]) app.particles[i]->draw(step);
}

void Director::paletteColour(int k, int alpha) const {
  const std::uint8_t* c = palette[k % 12];
  glColor4ub(c[0], c[1], c[2], static_cast<GLubyte>(alpha));
}

void Director::rowColour() const {
  const int blue = row();
  const int green = row();
  const int red = row();
  glColor4ub(palette[red % 12][0], palette[green % 12][1], palette[blue % 12][2], 255);
}

void Director::draw() {
  if (firstFrame) {
    firstFrame = false;
    lastFrameTime = static_cast<std::int32_t>(timeGetTime());
  }
  t = static_cast<std::int32_t>(timeGetTime() - app.songStartTime);
  const auto sinceLast =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(t) - static_cast<std::uint32_t>(lastFrameTime));
  step = sinceLast < 0 ? 0 : static_cast<std::uint32_t>(sinceLast);
  T = t;
  order = FMUSIC_GetOrder(app.song);

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const GLfloat light[] = {static_cast<GLfloat>(10 * std::cos(0.005 * T)),
                           static_cast<GLfloat>(10 * std::sin(0.005 * T)), 10, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, light);

  dispatch();
  lastFrameTime = t;
}

void Director::dispatch() {
  if (order >= 0 && order <= lastOrder && scenes[order].draw) (this->*scenes[order].draw)();
  if (order < 2) return;

  glLoadIdentity();
  camera(0, 0, 6);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glDisable(GL_LIGHTING);
  if (order % 2 == 1) channelRow();
  else channelFlower();
  glEnable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
}

// One rosette per playing channel, in a row, each rising with its level.
void Director::channelRow() {
  glBindTexture(GL_TEXTURE_2D, 0);
  glTranslatef(0, -5, 0);
  for (int i = 0; i < FSOUND_GetChannelsPlaying(); ++i) {
    paletteColour(i, 64);
    glPushMatrix();
    const int v = FSOUND_GetVolume(i);
    const int n = FSOUND_GetChannelsPlaying();
    const int p = FSOUND_IsPlaying(i);
    glTranslatef(static_cast<GLfloat>(i - 0.5 * n), static_cast<GLfloat>(p * v * 2 / 255.0), 0);
    app.rosette.draw(0);
    glPopMatrix();
  }
}

// A wheel of rosettes that all glow with channel 0.
void Director::channelFlower() {
  additiveBlending();
  glBindTexture(GL_TEXTURE_2D, 0);
  glScalef(2, 2, 2);
  glTranslatef(static_cast<GLfloat>(5 * std::sin(0.001 * T)), -2.5f, 0);
  glRotatef(static_cast<GLfloat>(0.1 * T), 0, 0, 1);
  rosettesFollowingChannel0(64);
}

// One rosette per playing channel, each turned 45 degrees further, all
// glowing with channel 0: alpha (level + alphaBase) mod 256.
void Director::rosettesFollowingChannel0(int alphaBase) {
  for (int i = 0; i < FSOUND_GetChannelsPlaying(); ++i) {
    glPushMatrix();
    glRotatef(static_cast<GLfloat>(45 * i), 0, 0, 1);
    const int v = FSOUND_GetVolume(0);
    const int p = FSOUND_IsPlaying(0);
    paletteColour(i, (p * v + alphaBase) % 256);
    app.rosette.draw(0);
    glPopMatrix();
  }
}
