// <windows.h> for the backend. Its macros that rename functions after the
// character set are removed where they share a name with a platform
// operation; the backend always calls the wide ("W") functions by name.
#pragma once

#include <windows.h>

#undef CopyFile
#undef CreateDirectory
#undef CreateEvent
#undef CreateWindow
#undef DefWindowProc
#undef DeleteFile
#undef DispatchMessage
#undef DrawText
#undef GetMessage
#undef MoveFile
#undef PostMessage
#undef RemoveDirectory
#undef ReplaceFile
