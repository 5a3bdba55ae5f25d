// Numbered top-level windows, the event wait and the event codes.
#pragma once

#include <cstdint>

#include "platform/toolkit.h"
#include "runtime/object_table.h"

namespace gui {

constexpr std::int32_t kMoveEvent = 3;
constexpr std::int32_t kSizeEvent = 5;
constexpr std::int32_t kCloseEvent = 16;
constexpr std::int32_t kGadgetEvent = 13100;

constexpr std::uint32_t kWindowCentred = 0x1;
constexpr std::uint32_t kWindowCentredOnActive = 0x2;
constexpr std::uint32_t kWindowInvisible = 0x10000000;

void InitWindowLibrary();
std::intptr_t OpenWindow(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                         std::uint32_t flags, const char* title);
platform::WindowHandle GetWindowHandle();
std::int32_t WaitEvent();
std::int32_t GetEventGadget();
void FreeWindow(std::int32_t number);
void FreeAllWindows();
void FocusNextGadget();
void FocusPreviousGadget();
// The procedure of every window of the library: gadget notifications, the
// two navigation commands, and the move, size and close events.
std::intptr_t WindowProc(platform::WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam);

const runtime::ObjectTable& WindowTable();

}  // namespace gui
