// The picture texture made from a bitmap file.
#pragma once

// Loads a bitmap file into a new GL texture with a GLU-built mipmap chain,
// linear filters, left bound to GL_TEXTURE_2D. 0 when the file cannot be
// loaded (the loader has shown its message); then no texture is created.
// Needs the GL context.
unsigned makePictureTexture(const char* fileName);
