// The scene director and its scenes.
#pragma once
#include <cstdint>

#include "show/glow_layer.h"
#include "show/sprite_batch.h"

class DemoApp;

// The frame operation of the show: reads the song time and the music order,
// clears the frame, places the light, draws the scene of that order and the
// channel overlay. The scenes are its operations, one file per scene group.
class Director {
 public:
  explicit Director(DemoApp& app) : app(app) {}
  void draw();

  // State that outlives a frame, never reset.
  bool firstFrame = true;
  std::int32_t lastFrameTime = 0;
  bool reseedPending = true;
  std::int32_t superstarStart = 0;
  // Superstar's sprites; their arrays are kept from frame to frame.
  SpriteBatch sprites;
  // The particle fields, drawn small on a large frame.
  GlowLayer glows;
  // The song time of the frame being (or last) drawn, ms.
  std::int32_t t = 0;

  // The scenes, by group; show/scenes.h says which order draws which.
  // Opening scenes.
  void logoEcho();
  void logoSpiral();
  void presents();
  void mainTitle();
  // Dino scenes.
  void dinoRise();
  void dinoDance();
  void dinoRing();
  void latticeFlight();
  void superstar();
  // Credit scenes.
  void musicCredit();
  void musician();
  void codeCredit();
  void coder();
  // Greetings and closing scenes.
  void greetings();
  void invitation();
  void farewell();
  void rosetteWheel();
  void stripeCard();

 private:
  DemoApp& app;

  // Values of the frame being drawn.
  double T = 0;             // t as a double
  std::uint32_t step = 0;   // ms since the previous frame, never negative
  int order = 0;

  void dispatch();
  void channelRow();
  void channelFlower();
  void rosettesFollowingChannel0(int alphaBase);

  // Shared notation of the scenes.
  int row() const;
  void camera(double x, double y, double z) const;
  void text(const char* s) const;
  void character() const;
  void particle(int i) const;
  void paletteColour(int k, int alpha) const;
  void rowColour() const;
  // Shared by the credit scenes.
  void creditCamera() const;
  void creditTextState() const;
};

// Notation shared by the scenes and the overlay.
void additiveBlending();
void textureGeneration(bool on);
