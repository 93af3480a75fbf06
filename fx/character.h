// The character: the mesh upright at show scale, with two eyes whose pupils
// roll with a sound level.
#pragma once

class Mesh;
struct ShapeCache;

// The mesh vertices the eyes sit on (on the head); a mesh that does not
// reach the second has no head to put them on and is drawn without eyes.
inline constexpr int eyeVertices[2] = {73, 534};

// Draws `mesh` rotated upright and scaled by 0.02, in the current colour,
// with the eyes as spheres from `shapes` (white ball of radius 3, black pupil of
// radius 1 on its surface, in mesh units). `level` (0..255) turns the pupils
// from looking down (0) to looking ahead (255). Leaves the modelview matrix
// and the current colour as it found them, and the current normal as the
// mesh's last one. A character wholly outside the view would colour no
// pixel: it is not sent to GL at all, and only that normal is set.
void drawCharacter(Mesh& mesh, int level, ShapeCache& shapes);

// Multiplies the modelview matrix by the character's own place: turned
// upright (-90 degrees about X, 10 about Y, -5 about Z) and scaled by 0.02
// to show size. drawCharacter draws the mesh and its eyes under it.
void standUpright();

// Whether the character, drawn now with the current matrices, lies wholly
// outside the view volume: its bounding sphere (eyes included) beyond one of
// the six planes of the projection.
bool characterOutOfView(const Mesh& mesh);
