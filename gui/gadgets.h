// Numbered controls inside a window: a push button and a drop-down list.
#pragma once

#include <cstdint>

#include "platform/toolkit.h"
#include "runtime/object_table.h"

namespace gui {

void InitGadgetLibrary();
platform::WindowHandle SetGadgetParent(platform::WindowHandle window);
std::intptr_t CreateButton(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t width,
                           std::int32_t height, const char* text);
std::intptr_t CreateComboBox(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t width,
                             std::int32_t height);
std::intptr_t InsertGadgetItem(std::int32_t number, std::int32_t position, const char* text);
std::intptr_t SetGadgetValue(std::int32_t number, std::int32_t value);
std::intptr_t GetGadgetValue(std::int32_t number);

const runtime::ObjectTable& GadgetTable();

}  // namespace gui
