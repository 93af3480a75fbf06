// The picture texture: a bitmap file uploaded with a GLU mipmap chain.
#include "assets/picture_texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>

#include "assets/dib.h"

unsigned makePictureTexture(const char* fileName) {
  RgbImage* image = loadDibFile(fileName);
  if (!image) return 0;

  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  // The image's rows carry no padding.
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE,
                    image->pixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);

  std::free(image->pixels);
  std::free(image);
  return name;
}
