// The fixed-function GL state of the show, shared with the viewing tools.
#pragma once

// Sets the fixed-function state the show runs with: everything off but
// blending, back-face culling, depth test, lighting with light 0, normalising,
// 2D textures and colour material; the show's material, blend function and
// sphere-map coordinates; a black clear colour.
void setShowState();
