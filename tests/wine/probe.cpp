// A look into the Windows session for the Wine tests: waits for a window and
// prints where it and its controls lie on the screen and what state they are
// in, so that the test can click them with the X tools and read back what
// its clicks and keys did.
//
//   rodazaro_wine_probe title PREFIX MS [N]  a visible top-level window whose
//                                            title begins with PREFIX, ready
//                                            for input (below)
//   rodazaro_wine_probe class NAME MS [N]    a visible window of class NAME,
//                                            ready for input
//   rodazaro_wine_probe gone NAME MS         waits until no visible window
//                                            of class NAME is left
//   rodazaro_wine_probe run PROGRAM          starts PROGRAM (a Windows path)
//                                            in the current directory, waits
//                                            for it and prints "exit CODE"
//                                            with its Windows exit code
//   rodazaro_wine_probe windows              one line per visible top-level
//                                            window, for a failure report
//
// Ready for input: the window holds at least N controls; every list (combo
// box) in it holds a selection; with N > 0 its program has come to wait for
// input; and two looks 100 ms apart find it the same.  A window is shown
// before its program has made and filled its controls, and a control can
// still change its size after it is made: a layout read earlier than that
// puts clicks in the wrong place.
//
// Output lines: "title TEXT", "window L T R B", "client L T R B",
// "foreground 1|0" (whether it is the window that gets the keys), "focus ID
// CLASS" (the control that has the keyboard focus in its program, "focus 0
// -" for none), then one line "child ID CLASS L T R B" per control, in
// screen coordinates; a combo box's line goes on with its selected index and
// 1 when its list is open, 0 when it is closed.  Exit code 0 when the wait
// was met, 1 when MS milliseconds passed first, 2 on a usage error.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Search {
    const char* mode;
    const char* text;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window)) return TRUE;
    char buffer[256] = {};
    if (std::strcmp(search->mode, "title") == 0) {
        GetWindowTextA(window, buffer, sizeof buffer);
        if (std::strncmp(buffer, search->text, std::strlen(search->text)) != 0) return TRUE;
    } else {
        GetClassNameA(window, buffer, sizeof buffer);
        if (std::strcmp(buffer, search->text) != 0) return TRUE;
    }
    search->found = window;
    return FALSE;
}

bool IsComboBox(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, "ComboBox") == 0;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM context) {
    auto* out = reinterpret_cast<std::string*>(context);
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    RECT rect{};
    GetWindowRect(child, &rect);
    char line[256];
    std::snprintf(line, sizeof line, "child %ld %s %ld %ld %ld %ld", static_cast<long>(GetWindowLongA(child, GWL_ID)),
                  name, rect.left, rect.top, rect.right, rect.bottom);
    *out += line;
    // A list's selected item and whether it is open, so the test can see
    // what its clicks and keys did.
    if (IsComboBox(child)) {
        std::snprintf(line, sizeof line, " %ld %d", static_cast<long>(SendMessageA(child, CB_GETCURSEL, 0, 0)),
                      SendMessageA(child, CB_GETDROPPEDSTATE, 0, 0) != 0 ? 1 : 0);
        *out += line;
    }
    *out += "\n";
    return TRUE;
}

struct Census {
    int children;
    int unselectedLists;
};

BOOL CALLBACK CountChild(HWND child, LPARAM context) {
    auto* census = reinterpret_cast<Census*>(context);
    ++census->children;
    if (IsComboBox(child) && SendMessageA(child, CB_GETCURSEL, 0, 0) == CB_ERR) ++census->unselectedLists;
    return TRUE;
}

std::string Describe(HWND window) {
    std::string out;
    char text[512] = {};
    GetWindowTextA(window, text, 256);
    out += std::string("title ") + text + "\n";
    RECT outer{};
    GetWindowRect(window, &outer);
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::snprintf(text, sizeof text, "window %ld %ld %ld %ld\nclient %ld %ld %ld %ld\nforeground %d\n", outer.left,
                  outer.top, outer.right, outer.bottom, origin.x, origin.y, origin.x + client.right,
                  origin.y + client.bottom, GetForegroundWindow() == window ? 1 : 0);
    out += text;
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    HWND focus = nullptr;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread)) focus = thread.hwndFocus;
    if (focus != nullptr && focus != window && IsChild(window, focus)) {
        char name[64] = {};
        GetClassNameA(focus, name, sizeof name);
        std::snprintf(text, sizeof text, "focus %ld %s\n", static_cast<long>(GetWindowLongA(focus, GWL_ID)), name);
    } else {
        std::snprintf(text, sizeof text, "focus 0 -\n");
    }
    out += text;
    EnumChildWindows(window, PrintChild, reinterpret_cast<LPARAM>(&out));
    return out;
}

// Whether the program that owns the window waits for input.  A window
// whose program cannot be asked counts as waiting.
bool WaitsForInput(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id);
    if (process == nullptr) return true;
    const DWORD result = WaitForInputIdle(process, 0);
    CloseHandle(process);
    return result != WAIT_TIMEOUT;
}

BOOL CALLBACK ListWindow(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    char name[128] = {};
    char title[256] = {};
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, title, sizeof title);
    RECT rect{};
    GetWindowRect(window, &rect);
    Census census{0, 0};
    EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&census));
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    std::printf(
        "toplevel class '%s' title '%s' at %ld %ld %ld %ld, %d controls, %d lists without a selection, "
        "process %lu%s%s\n",
        name, title, rect.left, rect.top, rect.right, rect.bottom, census.children, census.unselectedLists,
        static_cast<unsigned long>(process), WaitsForInput(window) ? " waiting for input" : " busy",
        GetForegroundWindow() == window ? ", in front" : "");
    return TRUE;
}

// The program's own exit code, as Windows reports it.  Wine may end a
// finished program's last threads with a signal, so the host's exit status
// of the wine process does not always carry it.
int Run(const char* program) {
    std::string commandLine = std::string("\"") + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::printf("start failed %lu\n", static_cast<unsigned long>(GetLastError()));
        std::fflush(stdout);
        return 2;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("exit %lu\n", static_cast<unsigned long>(code));
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "run") == 0) return Run(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "windows") == 0) {
        EnumWindows(ListWindow, 0);
        return 0;
    }
    if (argc != 4 && argc != 5) return 2;
    Search search{argv[1], argv[2], nullptr};
    const bool waitGone = std::strcmp(search.mode, "gone") == 0;
    if (waitGone) search.mode = "class";
    else if (std::strcmp(search.mode, "title") != 0 && std::strcmp(search.mode, "class") != 0) return 2;
    const DWORD limit = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
    const int minChildren = argc == 5 ? std::atoi(argv[4]) : 0;
    const DWORD start = GetTickCount();
    std::string previous;
    for (;;) {
        search.found = nullptr;
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        if (waitGone && search.found == nullptr) return 0;
        std::string look;
        if (!waitGone && search.found != nullptr) {
            Census census{0, 0};
            EnumChildWindows(search.found, CountChild, reinterpret_cast<LPARAM>(&census));
            if (census.children >= minChildren && census.unselectedLists == 0 &&
                (minChildren == 0 || WaitsForInput(search.found))) {
                look = Describe(search.found);
            }
        }
        if (!look.empty() && look == previous) {
            std::fputs(look.c_str(), stdout);
            std::fflush(stdout);
            return 0;
        }
        previous = look;
        if (GetTickCount() - start >= limit) return 1;
        Sleep(100);
    }
}
