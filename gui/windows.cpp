#include "gui/windows.h"

#include <cstdio>
#include <cstring>

#include "platform/toolkit.h"
#include "player/player_state.h"
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

runtime::ObjectTable gWindows{};
WindowLibraryState gLibrary{};

void FormatClassName(std::int32_t number) {
    std::snprintf(gLibrary.className, sizeof gLibrary.className, "WindowClass_%ld", static_cast<long>(number));
}

}  // namespace

const runtime::ObjectTable& WindowTable() { return gWindows; }

void InitWindowLibrary() {
    gLibrary = WindowLibraryState{};
    runtime::InitObjectTable(gWindows, 10, 30, sizeof(WindowRecord));
}

void FreeWindow(std::int32_t number) {
    auto* record = static_cast<WindowRecord*>(runtime::LookupEntry(gWindows, number));
    if (record == nullptr) return;
    platform::DestroyWindow(record->window);
    FormatClassName(number);
    platform::UnregisterWindowClass(gLibrary.className, player::gPlayer.instance);
    if (record->acceleratorCount != 0) {
        runtime::ProgramFree(record->acceleratorEntries);
        platform::DestroyAcceleratorTable(record->acceleratorTable);
        record->acceleratorCount = 0;
        record->acceleratorEntries = nullptr;
    }
    runtime::FreeEntry(gWindows, number);
}

void FreeAllWindows() {
    runtime::ForEachObject(
        gWindows,
        [](std::int32_t number) -> std::int32_t {
            FreeWindow(number);
            return 1;
        },
        true);
}

std::int32_t GetEventGadget() { return gLibrary.eventGadget; }
platform::WindowHandle GetWindowHandle() { return gLibrary.lastOpened; }

}  // namespace gui
