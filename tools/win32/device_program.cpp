// Stands in for a program of the device: it starts, leaves the device as it
// found it and ends, so that both platforms leave the same device behind.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
