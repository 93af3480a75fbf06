// Plain readers of the generated mesh and picture, and the character drawn as the show draws it.
#include "tools/contentview/content_files.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "fx/character.h"

bool readObj(const std::string& path, ObjFile& obj, std::string& error) {
  obj = ObjFile{};
  std::ifstream in(path);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (kind.empty() || kind[0] == '#') continue;
    if (kind == "v") {
      float x, y, z;
      if (!(words >> x >> y >> z)) {
        error = "bad vertex line " + std::to_string(number);
        return false;
      }
      obj.vertices.insert(obj.vertices.end(), {x, y, z});
    } else if (kind == "f") {
      int a, b, c;
      std::string rest;
      if (!(words >> a >> b >> c) || (words >> rest)) {
        error = "bad triangle line " + std::to_string(number);
        return false;
      }
      obj.triangles.insert(obj.triangles.end(), {a - 1, b - 1, c - 1});
    } else if (kind == "g") {
      std::string name;
      words >> name;
      obj.groups.push_back(name);
      obj.groupStarts.push_back(obj.triangleCount());
    } else {
      error = "unexpected line " + std::to_string(number) + ": " + line;
      return false;
    }
  }
  return true;
}

namespace {

unsigned readLe(const std::vector<std::uint8_t>& bytes, size_t at, int size) {
  unsigned value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[at + i];
  return value;
}

}  // namespace

bool readBmp24(const std::string& path, BmpFile& bmp, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') {
    error = "not a BMP file: " + path;
    return false;
  }
  unsigned offset = readLe(bytes, 10, 4);
  int width = static_cast<int>(readLe(bytes, 18, 4));
  int height = static_cast<int>(readLe(bytes, 22, 4));
  if (readLe(bytes, 14, 4) != 40 || readLe(bytes, 28, 2) != 24 || readLe(bytes, 30, 4) != 0 || width <= 0 ||
      height <= 0) {
    error = "not an uncompressed 24-bit bottom-up BMP";
    return false;
  }
  size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  if (offset + stride * height > bytes.size()) {
    error = "pixel data runs past the end of the file";
    return false;
  }
  bmp.width = width;
  bmp.height = height;
  bmp.rgb.resize(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        bmp.rgb[(static_cast<size_t>(y) * width + x) * 3 + c] = bytes[offset + y * stride + x * 3 + 2 - c];
  return true;
}


unsigned uploadTexture(const BmpFile& bmp) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, bmp.width, bmp.height, 0, GL_RGB, GL_UNSIGNED_BYTE, bmp.rgb.data());
  return name;
}

void drawCharacter(const ObjFile& obj, int level) {
  // Mean vertex and area-weighted vertex normals, as the show's loader makes them.
  const int n = obj.vertexCount();
  double mean[3] = {0, 0, 0};
  for (int v = 0; v < n; ++v)
    for (int c = 0; c < 3; ++c) mean[c] += obj.vertices[3 * v + c];
  for (double& m : mean) m /= n > 0 ? n : 1;
  std::vector<float> position(obj.vertices.size()), normal(obj.vertices.size(), 0.0f);
  for (size_t i = 0; i < position.size(); ++i) position[i] = static_cast<float>(obj.vertices[i] - mean[i % 3]);
  for (int t = 0; t < obj.triangleCount(); ++t) {
    const float* p = &position[3 * obj.triangles[3 * t]];
    const float* q = &position[3 * obj.triangles[3 * t + 1]];
    const float* r = &position[3 * obj.triangles[3 * t + 2]];
    float u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
    float w[3] = {r[0] - q[0], r[1] - q[1], r[2] - q[2]};
    float f[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    for (int k = 0; k < 3; ++k)
      for (int c = 0; c < 3; ++c) normal[3 * obj.triangles[3 * t + k] + c] += f[c];
  }

  const float phi = static_cast<float>(level * 3.1415927410125732 / 510);
  const float dy = -3 * std::cos(phi), dz = 3 * std::sin(phi);
  glPushMatrix();
  standUpright();
  float colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glPushAttrib(GL_CURRENT_BIT);
  GLUquadric* quadric = gluNewQuadric();
  gluQuadricNormals(quadric, GLU_SMOOTH);
  for (int eye : {73, 534}) {
    if (eye >= n) break;
    glPushMatrix();
    glTranslatef(position[3 * eye], position[3 * eye + 1], position[3 * eye + 2]);
    glColor4ub(255, 255, 255, 255);
    gluSphere(quadric, 3, 16, 16);
    glTranslatef(0, dy, dz);
    glColor4ub(0, 0, 0, 255);
    gluSphere(quadric, 1, 16, 16);
    glPopMatrix();
  }
  gluDeleteQuadric(quadric);
  // Mesa's glPopAttrib restores the current colour without updating the
  // colour-tracked material: set the body's colour while the pupil's is current.
  glColor4fv(colour);
  glPopAttrib();
  glBegin(GL_TRIANGLES);
  for (int corner : obj.triangles) {
    glNormal3fv(&normal[3 * corner]);
    glVertex3fv(&position[3 * corner]);
  }
  glEnd();
  glPopMatrix();
}
