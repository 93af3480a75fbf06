// The setup dialog's window: the template's controls drawn with Dear ImGui.
#include <GL/gl.h>
#include <SDL.h>
#include <backends/imgui_impl_opengl2.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include "app/platform.h"
#include "app/setup_dialog.h"

namespace {

// Dialog units of an 8-point dialog font to pixels.
constexpr float unitX = 6.0f / 4.0f;
constexpr float unitY = 13.0f / 8.0f;

ImVec2 toPixels(float x, float y) { return ImVec2(x * unitX, y * unitY); }

// The focus mark, shown from the start: a dotted frame in the text colour, round
// the caption of a check box or radio button and inside a push button.
void markFocus(DialogControl::Kind kind) {
  const float inset = kind == DialogControl::pushButton ? 3.0f : -1.0f;
  const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  const float left = min.x + inset, top = min.y + inset, right = max.x - inset - 1, bottom = max.y - inset - 1;
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const ImU32 colour = ImGui::GetColorU32(ImGuiCol_Text);
  const auto dot = [&](float x, float y) { draw->AddRectFilled(ImVec2(x, y), ImVec2(x + 1, y + 1), colour); };
  for (float x = left; x <= right; x += 2) {
    dot(x, top);
    dot(x, bottom);
  }
  for (float y = top; y <= bottom; y += 2) {
    dot(left, y);
    dot(right, y);
  }
}

void drawControls(SetupDialog& dialog) {
  ImDrawList* draw = ImGui::GetWindowDrawList();
  for (int i = 0; i < setupControlCount; ++i) {
    const DialogControl& control = setupControls[i];
    const ImVec2 at = toPixels(static_cast<float>(control.x), static_cast<float>(control.y));
    const ImVec2 size = toPixels(static_cast<float>(control.width), static_cast<float>(control.height));
    ImGui::PushID(i);
    ImGui::SetCursorPos(at);
    bool clicked = false;
    switch (control.kind) {
      case DialogControl::pushButton:
        clicked = ImGui::Button(control.caption, size);
        break;
      case DialogControl::groupBox: {
        const ImVec2 origin = ImGui::GetWindowPos();
        const float textHeight = ImGui::GetTextLineHeight();
        const ImVec2 topLeft(origin.x + at.x, origin.y + at.y + textHeight / 2);
        const ImVec2 bottomRight(origin.x + at.x + size.x, origin.y + at.y + size.y);
        draw->AddRect(topLeft, bottomRight, ImGui::GetColorU32(ImGuiCol_Border));
        const ImVec2 label(origin.x + at.x + 6, origin.y + at.y);
        const ImVec2 labelSize = ImGui::CalcTextSize(control.caption);
        draw->AddRectFilled(ImVec2(label.x - 2, label.y),
                            ImVec2(label.x + labelSize.x + 2, label.y + labelSize.y),
                            ImGui::GetColorU32(ImGuiCol_WindowBg));
        draw->AddText(label, ImGui::GetColorU32(ImGuiCol_Text), control.caption);
        break;
      }
      case DialogControl::radioButton:
        clicked = ImGui::RadioButton(control.caption, dialog.isChecked(control.id));
        break;
      case DialogControl::checkBox: {
        bool checked = dialog.isChecked(control.id);
        clicked = ImGui::Checkbox(control.caption, &checked);
        break;
      }
      case DialogControl::label:
        ImGui::TextUnformatted(control.caption);
        break;
    }
    if (i == dialog.focus) markFocus(control.kind);
    if (clicked) dialog.click(control.id);
    ImGui::PopID();
  }
}

// The dialog's key in an SDL key press, if it is one.
bool dialogKey(const SDL_KeyboardEvent& event, DialogKey& key) {
  switch (event.keysym.sym) {
    case SDLK_TAB: key = event.keysym.mod & KMOD_SHIFT ? DialogKey::shiftTab : DialogKey::tab; return true;
    case SDLK_RIGHT:
    case SDLK_DOWN: key = DialogKey::next; return true;
    case SDLK_LEFT:
    case SDLK_UP: key = DialogKey::previous; return true;
    // A held Space clicks once.
    case SDLK_SPACE: key = DialogKey::space; return !event.repeat;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: key = DialogKey::enter; return true;
    default: return false;
  }
}

// The next event, or false after `timeoutMs` with none. Polled, never waited
// for: while SDL_WaitEvent* waits on X11, each event queued meanwhile (the
// key that ends the dialog among them) wakes it with a message to this
// window sent on a second connection to the server, which may handle it only
// after the window is destroyed on the first: BadWindow, and Xlib ends the
// process.
bool nextEvent(SDL_Event& event, Uint32 timeoutMs) {
  const Uint32 start = SDL_GetTicks();
  while (!SDL_PollEvent(&event)) {
    if (SDL_GetTicks() - start >= timeoutMs) return false;
    SDL_Delay(5);
  }
  return true;
}

}  // namespace

void showSetupDialog(DisplaySetup& setup) {
  // Video stays up for the show that follows.
  if (!platform().openDisplay()) return;
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  const ImVec2 size = toPixels(setupDialogWidth, setupDialogHeight);
  // Centred on the desktop, as launchers place their dialogs.
  SDL_Window* window = SDL_CreateWindow("Setup", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        static_cast<int>(size.x + 0.5f), static_cast<int>(size.y + 0.5f),
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) {
    // Not shown: the show starts with the record as it stands.
    if (window) SDL_DestroyWindow(window);
    return;
  }
  SDL_GL_MakeCurrent(window, context);
  SDL_GL_SetSwapInterval(1);

  ImGui::CreateContext();
  ImGui::GetIO().IniFilename = nullptr;
  ImGui::StyleColorsLight();
  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowPadding = ImVec2(0, 0);
  style.WindowRounding = 0;
  style.FrameRounding = 0;
  style.FramePadding = ImVec2(2, 1);
  // Dear ImGui's SDL2 and OpenGL2 backends as the imgui package builds them
  // take the mouse and draw. The keyboard is the dialog's own: its focus and
  // tab order are the template's, which ImGui's navigation knows nothing of.
  ImGui_ImplSDL2_InitForOpenGL(window, context);
  ImGui_ImplOpenGL2_Init();

  SetupDialog dialog(setup);
  while (!dialog.ended) {
    SDL_Event event;
    if (nextEvent(event, 100)) {
      do {
        ImGui_ImplSDL2_ProcessEvent(&event);
        DialogKey key;
        if (event.type == SDL_KEYDOWN && dialogKey(event.key, key)) dialog.key(key);
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) dialog.close();
        if (event.type == SDL_QUIT) {
          // Ctrl+C or the session's end: the quit stays queued for the show, which then ends at once.
          dialog.close();
          SDL_PushEvent(&event);
        }
      } while (!dialog.ended && SDL_PollEvent(&event));
    }
    if (dialog.ended) break;

    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(ImGui::GetIO().DisplaySize);
    ImGui::Begin("Setup", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings);
    drawControls(dialog);
    ImGui::End();
    ImGui::Render();
    const ImVec4 background = ImGui::GetStyle().Colors[ImGuiCol_WindowBg];
    glClearColor(background.x, background.y, background.z, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(window);
  }

  ImGui_ImplOpenGL2_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext();
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  // What the dialog's window left queued is not the show's (a quit is).
  SDL_FlushEvents(SDL_WINDOWEVENT, SDL_LASTEVENT);
}
