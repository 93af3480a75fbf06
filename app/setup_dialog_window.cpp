// The setup dialog's window: the template's controls drawn with Dear ImGui.
#include <GL/gl.h>
#include <SDL.h>
#include <imgui.h>

#include <cstdio>

#include "app/imgui_glue.h"
#include "app/setup_dialog.h"

namespace {

// Dialog units of an 8-point dialog font to pixels.
constexpr float unitX = 6.0f / 4.0f;
constexpr float unitY = 13.0f / 8.0f;

ImVec2 toPixels(float x, float y) { return ImVec2(x * unitX, y * unitY); }

void drawControls(SetupDialog& dialog) {
  ImDrawList* draw = ImGui::GetWindowDrawList();
  for (int i = 0; i < 11; ++i) {
    const DialogControl& control = setupControls[i];
    const ImVec2 at = toPixels(static_cast<float>(control.x), static_cast<float>(control.y));
    const ImVec2 size = toPixels(static_cast<float>(control.width), static_cast<float>(control.height));
    ImGui::PushID(i);
    switch (control.kind) {
      case DialogControl::pushButton:
        ImGui::SetCursorPos(at);
        if (ImGui::Button(control.caption, size)) dialog.ok();
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
        ImGui::SetCursorPos(at);
        if (ImGui::RadioButton(control.caption, dialog.isChecked(control.id))) dialog.click(control.id);
        break;
      case DialogControl::checkBox: {
        ImGui::SetCursorPos(at);
        bool checked = dialog.isChecked(control.id);
        if (ImGui::Checkbox(control.caption, &checked)) dialog.click(control.id);
        break;
      }
    }
    ImGui::PopID();
  }
}

}  // namespace

void showSetupDialog(DisplaySetup& setup) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  const ImVec2 size = toPixels(setupDialogWidth, setupDialogHeight);
  SDL_DisplayMode desktop{};
  SDL_GetDesktopDisplayMode(0, &desktop);
  SDL_Window* window = SDL_CreateWindow("Setup", desktop.w / 2, desktop.h / 2, static_cast<int>(size.x + 0.5f),
                                        static_cast<int>(size.y + 0.5f), SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) {
    // Not shown: the show starts with the record as it stands.
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return;
  }
  SDL_GL_MakeCurrent(window, context);
  SDL_GL_SetSwapInterval(1);

  ImGui::CreateContext();
  ImGui::StyleColorsLight();
  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowPadding = ImVec2(0, 0);
  style.WindowRounding = 0;
  style.FrameRounding = 0;
  style.FramePadding = ImVec2(2, 1);
  imguiglue::init();

  SetupDialog dialog(setup);
  while (!dialog.ended) {
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, 100)) {
      do {
        imguiglue::processEvent(event);
        const bool closeBox = (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) ||
                              event.type == SDL_QUIT;
        // Enter presses the default button; Escape does nothing.
        const bool enter = event.type == SDL_KEYDOWN && (event.key.keysym.sym == SDLK_RETURN ||
                                                         event.key.keysym.sym == SDLK_KP_ENTER);
        if (closeBox && !dialog.ended) dialog.close();
        if (enter && !dialog.ended) dialog.ok();
        // ImGui reads keys and buttons as held or not once a frame: let it see a press
        // before the release that may follow in the same batch.
        if (event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN) break;
      } while (!dialog.ended && SDL_PollEvent(&event));
    }
    if (dialog.ended) break;

    imguiglue::newFrame(window);
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
    imguiglue::render(ImGui::GetDrawData());
    SDL_GL_SwapWindow(window);
  }

  imguiglue::shutdown();
  ImGui::DestroyContext();
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
