#include "app/imgui_glue.h"

#include <GL/gl.h>
#include <SDL.h>
#include <imgui.h>

#include <cstddef>
#include <cstdint>

namespace imguiglue {

namespace {
GLuint fontTexture = 0;
Uint64 lastCounter = 0;
}  // namespace

void init() {
  ImGuiIO& io = ImGui::GetIO();
  io.BackendPlatformName = "flipp-kroma-sdl";
  io.BackendRendererName = "flipp-kroma-gl11";
  io.IniFilename = nullptr;
  io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
  const struct {
    ImGuiKey key;
    SDL_Scancode code;
  } keys[] = {
      {ImGuiKey_Tab, SDL_SCANCODE_TAB},        {ImGuiKey_LeftArrow, SDL_SCANCODE_LEFT},
      {ImGuiKey_RightArrow, SDL_SCANCODE_RIGHT}, {ImGuiKey_UpArrow, SDL_SCANCODE_UP},
      {ImGuiKey_DownArrow, SDL_SCANCODE_DOWN}, {ImGuiKey_Space, SDL_SCANCODE_SPACE},
      {ImGuiKey_Enter, SDL_SCANCODE_RETURN},   {ImGuiKey_Escape, SDL_SCANCODE_ESCAPE},
  };
  for (const auto& k : keys) io.KeyMap[k.key] = k.code;

  unsigned char* pixels = nullptr;
  int width = 0, height = 0;
  io.Fonts->GetTexDataAsAlpha8(&pixels, &width, &height);
  glGenTextures(1, &fontTexture);
  glBindTexture(GL_TEXTURE_2D, fontTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, width, height, 0, GL_ALPHA, GL_UNSIGNED_BYTE, pixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(static_cast<std::intptr_t>(fontTexture)));
  lastCounter = SDL_GetPerformanceCounter();
}

void processEvent(const SDL_Event& event) {
  ImGuiIO& io = ImGui::GetIO();
  switch (event.type) {
    case SDL_MOUSEMOTION:
      io.MousePos = ImVec2(static_cast<float>(event.motion.x), static_cast<float>(event.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (event.button.button >= 1 && event.button.button <= 3)
        io.MouseDown[event.button.button - 1] = event.type == SDL_MOUSEBUTTONDOWN;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const SDL_Scancode code = event.key.keysym.scancode;
      if (code >= 0 && code < static_cast<int>(IM_ARRAYSIZE(io.KeysDown)))
        io.KeysDown[code] = event.type == SDL_KEYDOWN;
      const Uint16 mod = SDL_GetModState();
      io.KeyShift = (mod & KMOD_SHIFT) != 0;
      io.KeyCtrl = (mod & KMOD_CTRL) != 0;
      io.KeyAlt = (mod & KMOD_ALT) != 0;
      break;
    }
    default:
      break;
  }
}

void newFrame(SDL_Window* window) {
  ImGuiIO& io = ImGui::GetIO();
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(window, &width, &height);
  io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
  const Uint64 now = SDL_GetPerformanceCounter();
  const double seconds = static_cast<double>(now - lastCounter) / SDL_GetPerformanceFrequency();
  io.DeltaTime = seconds > 0 ? static_cast<float>(seconds) : 1.0f / 60.0f;
  lastCounter = now;
}

void render(const ImDrawData* data) {
  const int width = static_cast<int>(data->DisplaySize.x);
  const int height = static_cast<int>(data->DisplaySize.y);
  if (width <= 0 || height <= 0) return;

  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_TRANSFORM_BIT | GL_TEXTURE_BIT |
               GL_SCISSOR_BIT | GL_VIEWPORT_BIT);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glEnable(GL_SCISSOR_TEST);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);

  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(data->DisplayPos.x, data->DisplayPos.x + data->DisplaySize.x,
          data->DisplayPos.y + data->DisplaySize.y, data->DisplayPos.y, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  for (int n = 0; n < data->CmdListsCount; ++n) {
    const ImDrawList* list = data->CmdLists[n];
    const ImDrawVert* vertices = list->VtxBuffer.Data;
    const char* base = reinterpret_cast<const char*>(vertices);
    glVertexPointer(2, GL_FLOAT, sizeof(ImDrawVert), base + offsetof(ImDrawVert, pos));
    glTexCoordPointer(2, GL_FLOAT, sizeof(ImDrawVert), base + offsetof(ImDrawVert, uv));
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(ImDrawVert), base + offsetof(ImDrawVert, col));
    for (const ImDrawCmd& cmd : list->CmdBuffer) {
      if (cmd.UserCallback) {
        cmd.UserCallback(list, &cmd);
        continue;
      }
      const ImVec2 clipMin(cmd.ClipRect.x - data->DisplayPos.x, cmd.ClipRect.y - data->DisplayPos.y);
      const ImVec2 clipMax(cmd.ClipRect.z - data->DisplayPos.x, cmd.ClipRect.w - data->DisplayPos.y);
      if (clipMax.x <= clipMin.x || clipMax.y <= clipMin.y) continue;
      glScissor(static_cast<int>(clipMin.x), static_cast<int>(height - clipMax.y),
                static_cast<int>(clipMax.x - clipMin.x), static_cast<int>(clipMax.y - clipMin.y));
      glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(reinterpret_cast<std::intptr_t>(cmd.GetTexID())));
      glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(cmd.ElemCount),
                     sizeof(ImDrawIdx) == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                     list->IdxBuffer.Data + cmd.IdxOffset);
    }
  }

  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glPopClientAttrib();
  glPopAttrib();
}

void shutdown() {
  glDeleteTextures(1, &fontTexture);
  fontTexture = 0;
  ImGui::GetIO().Fonts->SetTexID(nullptr);
}

}  // namespace imguiglue
