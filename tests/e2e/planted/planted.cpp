// A stand-in for a system library that someone has put beside vespera.exe.
// It does nothing: the end-to-end test only looks for its load in Wine's
// loader log.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
