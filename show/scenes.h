// The show's running order: which scene each music order draws. The director
// dispatches by it, the benchmark names its rows by it, the entry knows the
// show's length and end from it.
#pragma once
#include <iterator>

#include "show/director.h"

struct Scene {
  int order;
  const char* name;
  void (Director::*draw)();  // null: no scene, the channel overlay alone
};

inline constexpr Scene scenes[] = {
    {0, "Logo echo", &Director::logoEcho},
    {1, "Logo spiral", &Director::logoSpiral},
    {2, "Presents", &Director::presents},
    {3, "Main title", &Director::mainTitle},
    {4, "Main title", &Director::mainTitle},
    {5, "Dino rise", &Director::dinoRise},
    {6, "Dino rise", &Director::dinoRise},
    {7, "Dino dance", &Director::dinoDance},
    {8, "Dino dance", &Director::dinoDance},
    {9, "Dino ring", &Director::dinoRing},
    {10, "Lattice flight", &Director::latticeFlight},
    {11, "Superstar", &Director::superstar},
    {12, "Music credit", &Director::musicCredit},
    {13, "Musician", &Director::musician},
    {14, "Code credit", &Director::codeCredit},
    {15, "Coder", &Director::coder},
    {16, "Greetings", &Director::greetings},
    {17, "Invitation", &Director::invitation},
    {18, "Farewell", &Director::farewell},
    {19, "(overlay only)", nullptr},
    {20, "Rosette wheel", &Director::rosetteWheel},
    {21, "Stripe card", &Director::stripeCard},
};

// Orders past this one (and negative ones) have no scene.
inline constexpr int lastOrder = static_cast<int>(std::size(scenes)) - 1;

constexpr int orderOf(void (Director::*draw)()) {
  for (const Scene& scene : scenes)
    if (scene.draw == draw) return scene.order;
  return -1;
}
// The show ends on the last row of the farewell's order.
inline constexpr int farewellOrder = orderOf(&Director::farewell);

constexpr bool inOrder() {
  for (int i = 0; i <= lastOrder; ++i)
    if (scenes[i].order != i) return false;
  return true;
}
static_assert(inOrder(), "one row per order, in order");
