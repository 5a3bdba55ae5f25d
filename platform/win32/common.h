// Shared pieces of the Win32 drivers: the one place that includes the system
// headers, and the bridges between the core's window procedures (plain C++
// functions) and the system's (which use the stdcall convention).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/messages.h"

// The system headers map these names to their "A" or "W" forms; the seam
// uses the plain names for its own functions.
#undef CreateWindowEx
#undef GetMessage
#undef SendMessage
#undef DefWindowProc
#undef CallWindowProc
#undef GetClassName
#undef SetWindowText
#undef DispatchMessage
#undef TranslateAccelerator
#undef CreateAcceleratorTable
#undef GetWindowLong
#undef SetWindowLong

namespace platform::win32 {

// A class whose windows are handled by a core procedure.  The class is
// registered with ClassProcedureBridge, which finds the core procedure by the
// class's atom.
void RememberClassProcedure(ATOM atom, WindowProc procedure);
LRESULT CALLBACK ClassProcedureBridge(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Puts a core procedure in front of one window (subclassing).  Returns the
// window's previous system procedure, to be called with CallWindowProcA.
// A previous procedure handed back restores it.
LONG_PTR SubclassWithCoreProcedure(HWND window, WindowProc procedure);
// The core procedure that subclasses the window, or null.
WindowProc CoreSubclassProcedure(HWND window);

}  // namespace platform::win32
