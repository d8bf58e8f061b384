// Reference for bench/startup: one window and a message loop, nothing more.
#include "bare_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return ShowAndRun(CreateBareWindow(instance, L"bench-bare"));
}
