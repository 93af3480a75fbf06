#pragma once

union SDL_Event;
struct SDL_Window;
struct ImDrawData;

// Dear ImGui on SDL events and fixed-function OpenGL 1.1: just what the setup
// dialog needs. Call with the dialog's GL context current.
namespace imguiglue {

void init();
void processEvent(const SDL_Event& event);
void newFrame(SDL_Window* window);
void render(const ImDrawData* data);
void shutdown();

}  // namespace imguiglue
