// Bridges from the system's window procedures to the core's.
//
// A class registered for a core procedure gets ClassProcedureBridge as its
// system procedure; the bridge looks the core procedure up by the window's
// class atom, which is known from the very first message of a window (sent
// while CreateWindowExA still runs).  A control subclassed by a core
// procedure gets SubclassBridge, which finds the core procedure by window.

#include "platform/win32/common.h"

#include <map>

namespace platform::win32 {

namespace {

std::map<ATOM, WindowProc>& ClassProcedures() {
    static std::map<ATOM, WindowProc> procedures;
    return procedures;
}

struct Subclass {
    WindowProc core;
    LONG_PTR previous;
};

std::map<HWND, Subclass>& Subclasses() {
    static std::map<HWND, Subclass> subclasses;
    return subclasses;
}

LRESULT CALLBACK SubclassBridge(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& subclasses = Subclasses();
    const auto found = subclasses.find(window);
    if (found == subclasses.end()) return ::DefWindowProcA(window, message, wParam, lParam);
    const WindowProc core = found->second.core;
    const LRESULT result = static_cast<LRESULT>(core(reinterpret_cast<WindowHandle>(window), message,
                                                     static_cast<std::uintptr_t>(wParam),
                                                     static_cast<std::intptr_t>(lParam)));
    // The window's last message: the handle may be reused for another window.
    if (message == WM_NCDESTROY) Subclasses().erase(window);
    return result;
}

}  // namespace

void RememberClassProcedure(ATOM atom, WindowProc procedure) { ClassProcedures()[atom] = procedure; }

LRESULT CALLBACK ClassProcedureBridge(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const ATOM atom = static_cast<ATOM>(::GetClassWord(window, GCW_ATOM));
    const auto& procedures = ClassProcedures();
    const auto found = procedures.find(atom);
    if (found == procedures.end() || found->second == nullptr) {
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
    return static_cast<LRESULT>(found->second(reinterpret_cast<WindowHandle>(window), message,
                                              static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam)));
}

LONG_PTR SubclassWithCoreProcedure(HWND window, WindowProc procedure) {
    auto& subclasses = Subclasses();
    const auto found = subclasses.find(window);
    if (found != subclasses.end()) {
        // Handing back the procedure that the subclassing replaced removes it.
        if (reinterpret_cast<LONG_PTR>(procedure) == found->second.previous) {
            const LONG_PTR previous = found->second.previous;
            subclasses.erase(found);
            ::SetWindowLongA(window, GWL_WNDPROC, previous);
            return reinterpret_cast<LONG_PTR>(&SubclassBridge);
        }
        // Already bridged: the new core procedure takes the old one's place,
        // and its previous procedure is the system procedure beneath.
        found->second.core = procedure;
        return found->second.previous;
    }
    const LONG_PTR previous = ::SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassBridge));
    if (previous == 0) return 0;
    subclasses[window] = Subclass{procedure, previous};
    return previous;
}

WindowProc CoreSubclassProcedure(HWND window) {
    const auto& subclasses = Subclasses();
    const auto found = subclasses.find(window);
    return found == subclasses.end() ? nullptr : found->second.core;
}

}  // namespace platform::win32
