// The fixed-function GL state the show draws with.
#include "show/show_state.h"

#include <GL/gl.h>

#include <initializer_list>

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
