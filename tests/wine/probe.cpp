// A look into the Windows session for the Wine tests: waits for a window and
// prints where it and its controls lie on the screen, so that the test can
// click them with the X tools.
//
//   rodazaro_wine_probe title PREFIX MS [N]  a visible top-level window whose
//                                            title begins with PREFIX (and
//                                            that holds at least N controls)
//   rodazaro_wine_probe class NAME MS [N]    a visible window of class NAME
//   rodazaro_wine_probe gone NAME MS         waits until no visible window
//                                            of class NAME is left
//   rodazaro_wine_probe run PROGRAM          starts PROGRAM (a Windows path)
//                                            in the current directory, waits
//                                            for it and prints "exit CODE"
//                                            with its Windows exit code
//
// Output lines: "title TEXT", "window L T R B", "client L T R B", then one
// line "child ID CLASS L T R B" per control, in screen coordinates (a combo
// box's line ends with its selected index).  Exit
// code 0 when the wait was met, 1 when MS milliseconds passed first, 2 on a
// usage error.

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

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    RECT rect{};
    GetWindowRect(child, &rect);
    std::printf("child %ld %s %ld %ld %ld %ld", static_cast<long>(GetWindowLongA(child, GWL_ID)), name, rect.left,
                rect.top, rect.right, rect.bottom);
    // A list's selected item, so the test can see that its choice took.
    if (lstrcmpiA(name, "ComboBox") == 0) {
        std::printf(" %ld", static_cast<long>(SendMessageA(child, CB_GETCURSEL, 0, 0)));
    }
    std::printf("\n");
    return TRUE;
}

BOOL CALLBACK CountChild(HWND, LPARAM context) {
    ++*reinterpret_cast<int*>(context);
    return TRUE;
}

int ChildCount(HWND window) {
    int count = 0;
    EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&count));
    return count;
}

void Describe(HWND window) {
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    std::printf("title %s\n", title);
    RECT outer{};
    GetWindowRect(window, &outer);
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::printf("window %ld %ld %ld %ld\n", outer.left, outer.top, outer.right, outer.bottom);
    std::printf("client %ld %ld %ld %ld\n", origin.x, origin.y, origin.x + client.right, origin.y + client.bottom);
    EnumChildWindows(window, PrintChild, 0);
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
    if (argc != 4 && argc != 5) return 2;
    Search search{argv[1], argv[2], nullptr};
    const bool waitGone = std::strcmp(search.mode, "gone") == 0;
    if (waitGone) search.mode = "class";
    else if (std::strcmp(search.mode, "title") != 0 && std::strcmp(search.mode, "class") != 0) return 2;
    const DWORD limit = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
    const int minChildren = argc == 5 ? std::atoi(argv[4]) : 0;
    const DWORD start = GetTickCount();
    for (;;) {
        search.found = nullptr;
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        if (waitGone && search.found == nullptr) return 0;
        if (!waitGone && search.found != nullptr && ChildCount(search.found) >= minChildren) {
            Describe(search.found);
            std::fflush(stdout);
            return 0;
        }
        if (GetTickCount() - start >= limit) return 1;
        Sleep(100);
    }
}
