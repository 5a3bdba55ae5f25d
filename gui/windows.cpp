#include "gui/windows.h"

#include <cstdio>
#include <cstring>

#include "platform/process.h"
#include "platform/toolkit.h"
#include "runtime/heaps.h"

namespace gui {

namespace {

struct WindowRecord {
    platform::WindowHandle window;
    std::int32_t acceleratorCount;
    platform::AcceleratorEntry* acceleratorEntries;
    platform::AcceleratorHandle acceleratorTable;
};

struct WindowLibraryState {
    platform::WindowClassTemplate classTemplate;
    char className[50];
    platform::WindowHandle lastOpened;
    std::int32_t pendingEvent;
    std::int32_t eventGadget;
    platform::Message message;
    platform::WindowHandle activeWindow;
};

constexpr std::uint32_t kDoubleClicks = 0x8;     // CS_DBLCLKS
constexpr std::uintptr_t kDialogFaceBrush = 16;  // COLOR_BTNFACE + 1
constexpr int kProgramIcon = 1;
constexpr std::uint16_t kTabNextCommand = 1212;
constexpr std::uint16_t kTabPreviousCommand = 1213;

runtime::ObjectTable gWindows{};
WindowLibraryState gLibrary{};

void FormatClassName(std::int32_t number) {
    std::snprintf(gLibrary.className, sizeof gLibrary.className, "WindowClass_%ld", static_cast<long>(number));
}

bool KeyDown(int virtualKey) { return (platform::GetKeyState(virtualKey) & 0x80) != 0; }

struct TableSearch {
    platform::WindowHandle window;
    platform::AcceleratorHandle table;
};

std::int32_t VisitForKeyboardTable(std::int32_t number, void* context) {
    auto* search = static_cast<TableSearch*>(context);
    auto* record = static_cast<WindowRecord*>(runtime::LookupEntry(gWindows, number));
    if (record != nullptr && record->window == search->window) {
        search->table = record->acceleratorTable;
        return 0;
    }
    return 1;
}

// The keyboard table of the open window whose handle is `window`: the
// dynamic records first, then the numbers from 0 upward.
platform::AcceleratorHandle FindKeyboardTable(platform::WindowHandle window) {
    TableSearch search{window, 0};
    runtime::ForEachObject(gWindows, VisitForKeyboardTable, &search);
    return search.table;
}

bool IsCandidate(platform::WindowHandle child) {
    return platform::IsWindowEnabled(child) && platform::IsWindowVisible(child) &&
           (static_cast<std::uint32_t>(platform::GetWindowLong(child, platform::kWindowLongStyle)) &
            platform::kStyleTabStop) != 0;
}

// The focused control, when it lies inside the active window.
platform::WindowHandle FocusedControl(platform::WindowHandle active) {
    const platform::WindowHandle focus = platform::GetFocus();
    return platform::IsChild(active, focus) ? focus : 0;
}

struct NextSearch {
    platform::WindowHandle focus;
    platform::WindowHandle first;
    platform::WindowHandle target;
    bool passedFocus;
};

struct PreviousSearch {
    platform::WindowHandle focus;
    platform::WindowHandle before;
    platform::WindowHandle last;
    platform::WindowHandle target;
};

bool VisitForNext(platform::WindowHandle child, std::intptr_t context) {
    auto* search = reinterpret_cast<NextSearch*>(context);
    if (!IsCandidate(child)) return true;
    if (search->first == 0) search->first = child;
    if (search->passedFocus) {
        search->target = child;
        return false;
    }
    if (child == search->focus) search->passedFocus = true;
    return true;
}

bool VisitForPrevious(platform::WindowHandle child, std::intptr_t context) {
    auto* search = reinterpret_cast<PreviousSearch*>(context);
    if (!IsCandidate(child)) return true;
    if (child == search->focus && search->focus != 0) search->target = search->before;
    search->before = child;
    search->last = child;
    return true;
}

}  // namespace

const runtime::ObjectTable& WindowTable() { return gWindows; }

void InitWindowLibrary() {
    gLibrary = WindowLibraryState{};
    runtime::InitObjectTable(gWindows, 10, 30, sizeof(WindowRecord));
    platform::WindowClassTemplate& tmpl = gLibrary.classTemplate;
    tmpl.style = kDoubleClicks;
    tmpl.procedure = WindowProc;
    tmpl.instance = platform::GetModuleInstance();
    tmpl.icon = platform::LoadProgramIcon(platform::GetModuleInstance(), kProgramIcon);
    tmpl.cursor = platform::LoadArrowCursor();
    tmpl.background = kDialogFaceBrush;
    tmpl.className = "TemplateClass";
    platform::RegisterWindowClass(&tmpl);
    tmpl.className = gLibrary.className;
}

std::intptr_t OpenWindow(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                         std::uint32_t flags, const char* title) {
    std::int32_t effective = number;
    auto* record = static_cast<WindowRecord*>(runtime::GetOrGrowEntry(gWindows, effective));
    if (record == nullptr) return 0;
    if (number != -1) {
        FreeWindow(number);
        // Closing a dynamically created window released its record: its
        // number is gone and cannot be opened again.
        record = static_cast<WindowRecord*>(runtime::GetOrGrowEntry(gWindows, effective));
        if (record == nullptr) return 0;
    }

    FormatClassName(effective);
    platform::RegisterWindowClass(&gLibrary.classTemplate);

    std::uint32_t centring = 0;
    if ((flags & kWindowCentred) != 0) centring = kWindowCentred;
    if ((flags & kWindowCentredOnActive) != 0) centring = kWindowCentredOnActive;
    std::uint32_t style = flags & ~(kWindowCentred | kWindowCentredOnActive);
    if (style == 0 || style == kWindowInvisible) style |= platform::kStyleCaption;
    bool maximise = false;
    if ((style & kWindowInvisible) != 0) {
        style &= ~kWindowInvisible;
    } else {
        style |= platform::kStyleVisible;
        maximise = (style & platform::kStyleMaximize) != 0;
    }

    platform::Rect rect{x, y, x + width, y + height};
    platform::AdjustWindowRectangle(&rect, style);
    const std::int32_t outerWidth = rect.right - rect.left;
    const std::int32_t outerHeight = rect.bottom - rect.top;

    platform::WindowHandle active = 0;
    platform::Rect activeRect{};
    if (centring == kWindowCentredOnActive) {
        active = platform::GetActiveWindow();
        if (active != 0 && !platform::GetWindowRectangle(active, &activeRect)) active = 0;
    }
    if (centring == kWindowCentredOnActive && active != 0) {
        x = activeRect.left - (outerWidth >> 1) + ((activeRect.right - activeRect.left) >> 1);
        y = activeRect.top - (outerHeight >> 1) + ((activeRect.bottom - activeRect.top) >> 1);
        if (x < 0) x = 0;
        if (y < 0) y = 0;
    } else if (centring != 0) {
        const std::int32_t screenWidth = platform::GetScreenWidth();
        const std::int32_t screenHeight = platform::GetScreenHeight();
        const std::int32_t w = outerWidth < screenWidth ? outerWidth : screenWidth;
        const std::int32_t h = outerHeight < screenHeight ? outerHeight : screenHeight;
        x = (screenWidth >> 1) - (w >> 1);
        y = (screenHeight >> 1) - (h >> 1);
    }

    const platform::WindowHandle handle = platform::CreateWindowEx(
        0, gLibrary.className, title, style, x, y, outerWidth, outerHeight, 0, 0, platform::GetModuleInstance());
    // The table does not grow while the window is created: the record stays put.
    record->window = handle;
    if (handle == 0) {
        // A dynamic record that holds no window is of no use to anyone.
        if (number == -1) runtime::FreeEntry(gWindows, effective);
        return 0;
    }
    gLibrary.lastOpened = handle;
    if (maximise) platform::ShowWindow(handle, platform::kShowCommandMaximized);

    auto* entries = static_cast<platform::AcceleratorEntry*>(
        runtime::ProgramAlloc(2 * sizeof(platform::AcceleratorEntry), true));
    if (entries != nullptr) {
        entries[0] = platform::AcceleratorEntry{
            static_cast<std::uint8_t>(platform::kAcceleratorVirtualKey | platform::kAcceleratorNoInvert),
            static_cast<std::uint16_t>(platform::kVkTab), kTabNextCommand};
        entries[1] = platform::AcceleratorEntry{
            static_cast<std::uint8_t>(platform::kAcceleratorVirtualKey | platform::kAcceleratorNoInvert |
                                      platform::kAcceleratorShift),
            static_cast<std::uint16_t>(platform::kVkTab), kTabPreviousCommand};
        record->acceleratorCount = 2;
        record->acceleratorEntries = entries;
        record->acceleratorTable = platform::CreateAcceleratorTable(entries, 2);
    }
    return number == -1 ? static_cast<std::intptr_t>(effective) : static_cast<std::intptr_t>(handle);
}

std::intptr_t WindowProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam) {
    switch (message) {
        case platform::kMsgCommand:
            if (lParam != 0) {
                gLibrary.pendingEvent = kGadgetEvent;
                gLibrary.eventGadget = static_cast<std::int32_t>(
                    platform::GetWindowLong(static_cast<platform::WindowHandle>(lParam), platform::kWindowLongId));
                return 0;
            }
            if (((wParam >> 16) & 0xFFFF) != 0) {
                const std::uint32_t command = static_cast<std::uint32_t>(wParam & 0xFFFF);
                if (command == kTabNextCommand) {
                    FocusNextGadget();
                    return 0;
                }
                if (command == kTabPreviousCommand) {
                    FocusPreviousGadget();
                    return 0;
                }
            }
            break;
        case platform::kMsgMove:
        case platform::kMsgSize:
        case platform::kMsgClose: gLibrary.pendingEvent = static_cast<std::int32_t>(message); return 0;
        default: break;
    }
    return platform::DefWindowProc(window, message, wParam, lParam);
}

std::int32_t WaitEvent() {
    platform::GetMessage(&gLibrary.message);
    gLibrary.activeWindow = platform::GetActiveWindow();

    platform::AcceleratorHandle table = 0;
    bool editorTab = false;
    if (KeyDown(platform::kVkTab) && !KeyDown(platform::kVkControl) && !KeyDown(platform::kVkShift) &&
        !KeyDown(platform::kVkMenu)) {
        char prefix[5] = {};
        platform::GetClassName(platform::GetFocus(), prefix, sizeof prefix);
        editorTab = std::memcmp(prefix, "Rich", 4) == 0;
    }
    if (!editorTab && gLibrary.activeWindow != 0) table = FindKeyboardTable(gLibrary.activeWindow);

    if (table == 0 || !platform::TranslateAccelerator(gLibrary.activeWindow, table, &gLibrary.message)) {
        platform::TranslateMessage(&gLibrary.message);
        platform::DispatchMessage(&gLibrary.message);
    }
    const std::int32_t result = gLibrary.pendingEvent != 0 ? gLibrary.pendingEvent
                                                           : static_cast<std::int32_t>(gLibrary.message.message);
    gLibrary.pendingEvent = 0;
    return result;
}

void FocusNextGadget() {
    const platform::WindowHandle active = platform::GetActiveWindow();
    NextSearch search{FocusedControl(active), 0, 0, false};
    platform::EnumChildWindows(active, VisitForNext, reinterpret_cast<std::intptr_t>(&search));
    platform::WindowHandle target = search.target;
    if (search.focus == 0) target = search.first;                       // nothing focused yet
    else if (search.passedFocus && target == 0) target = search.first;  // from the last one round
    if (target != 0) platform::SetFocus(target);
}

void FocusPreviousGadget() {
    const platform::WindowHandle active = platform::GetActiveWindow();
    PreviousSearch search{FocusedControl(active), 0, 0, 0};
    platform::EnumChildWindows(active, VisitForPrevious, reinterpret_cast<std::intptr_t>(&search));
    const platform::WindowHandle target = search.target != 0 ? search.target : search.last;
    if (target != 0) platform::SetFocus(target);
}

void FreeWindow(std::int32_t number) {
    auto* record = static_cast<WindowRecord*>(runtime::LookupEntry(gWindows, number));
    if (record == nullptr) return;
    platform::DestroyWindow(record->window);
    FormatClassName(number);
    platform::UnregisterWindowClass(gLibrary.className, platform::GetModuleInstance());
    if (record->acceleratorCount != 0) {
        runtime::ProgramFree(record->acceleratorEntries);
        platform::DestroyAcceleratorTable(record->acceleratorTable);
        record->acceleratorCount = 0;
        record->acceleratorEntries = nullptr;
        record->acceleratorTable = 0;
    }
    runtime::FreeEntry(gWindows, number);
}

void FreeAllWindows() {
    runtime::ForEachObject(
        gWindows,
        [](std::int32_t number, void*) -> std::int32_t {
            FreeWindow(number);
            return 1;
        },
        nullptr, true);
}

std::int32_t GetEventGadget() { return gLibrary.eventGadget; }
platform::WindowHandle GetWindowHandle() { return gLibrary.lastOpened; }

}  // namespace gui
