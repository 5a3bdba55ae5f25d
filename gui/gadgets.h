// Numbered controls inside a window: a push button and a drop-down list.
#pragma once

#include <cstdint>

#include "platform/toolkit.h"
#include "runtime/object_table.h"

namespace gui {

// The operations of one kind of gadget.  An empty slot does nothing and
// gives 0; a kind names only the slots it fills.
struct GadgetKind {
    std::intptr_t (*free)(platform::WindowHandle control) = nullptr;
    std::intptr_t (*getValue)(platform::WindowHandle control) = nullptr;
    std::intptr_t (*setValue)(platform::WindowHandle control, std::int32_t value) = nullptr;
    std::intptr_t (*setText)(platform::WindowHandle control, const char* text) = nullptr;
    std::intptr_t (*insertItem)(platform::WindowHandle control, std::int32_t position, const char* text) = nullptr;
    std::intptr_t (*removeItem)(platform::WindowHandle control, std::int32_t index) = nullptr;
    std::intptr_t (*clearItems)(platform::WindowHandle control) = nullptr;
    std::intptr_t (*countItems)(platform::WindowHandle control) = nullptr;
    // Writes the item's text at `top` of the temporary string area and
    // returns where it starts.
    char* (*getItemText)(platform::WindowHandle control, std::int32_t index) = nullptr;
    std::intptr_t (*setItemText)(platform::WindowHandle control, std::int32_t index, const char* text) = nullptr;
};

extern const GadgetKind ButtonKind;
extern const GadgetKind ComboBoxKind;

void InitGadgetLibrary();
platform::WindowHandle SetGadgetParent(platform::WindowHandle window);
std::intptr_t CreateButton(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                           const char* text);
std::intptr_t CreateComboBox(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t width,
                             std::int32_t height);
std::intptr_t InsertGadgetItem(std::int32_t number, std::int32_t position, const char* text);
std::intptr_t SetGadgetValue(std::int32_t number, std::int32_t value);
std::intptr_t GetGadgetValue(std::int32_t number);

// The procedure put in front of every control: frees the gadget's number on
// the control's last message and passes every message on.
std::intptr_t GadgetProc(platform::WindowHandle control, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam);

const runtime::ObjectTable& GadgetTable();
// The control and kind of a gadget; null when the number holds none.
platform::WindowHandle GetGadgetHandle(std::int32_t number);
const GadgetKind* GetGadgetKind(std::int32_t number);

}  // namespace gui
