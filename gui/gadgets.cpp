#include "gui/gadgets.h"

#include <cstring>

#include "platform/process.h"
#include "platform/toolkit.h"
#include "runtime/heaps.h"
#include "runtime/strings.h"

namespace gui {

namespace {

struct GadgetRecord {
    platform::WindowHandle control;
    const GadgetKind* kind;
    std::uint32_t reserved;
    platform::WindowProc previousProcedure;
};

struct GadgetLibraryState {
    platform::WindowHandle parent;
    platform::FontHandle font;
};

// One control to create: its class and kind, its styles, where it goes in
// the parent's client area and its window text (null for none).
struct GadgetCreation {
    const char* className;
    const GadgetKind* kind;
    std::uint32_t exStyle;
    std::uint32_t style;
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
    const char* text;
};

constexpr std::uint32_t kButtonStyle = platform::kStyleChild | platform::kStyleVisible | platform::kStyleGroup |
                                       platform::kStyleTabStop | platform::kButtonStylePush;  // 0x50030000
constexpr std::uint32_t kComboBoxStyle = platform::kStyleChild | platform::kStyleVisible | platform::kStyleBorder |
                                         platform::kStyleVScroll | platform::kStyleGroup | platform::kStyleTabStop |
                                         platform::kComboBoxStyleHasStrings |
                                         platform::kComboBoxStyleDropDownList;  // 0x50A30203

runtime::ObjectTable gGadgets{};
GadgetLibraryState gGadgetLibrary{};

GadgetRecord* Record(std::int32_t number) { return static_cast<GadgetRecord*>(runtime::LookupEntry(gGadgets, number)); }

std::intptr_t Send(platform::WindowHandle control, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return platform::SendMessage(control, message, wParam, lParam);
}

std::uintptr_t IndexParam(std::int32_t index) { return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(index)); }

std::intptr_t ButtonGetValue(platform::WindowHandle control) { return Send(control, platform::kButtonGetCheck, 0, 0); }

std::intptr_t ButtonSetValue(platform::WindowHandle control, std::int32_t value) {
    return Send(control, platform::kButtonSetCheck, IndexParam(value), 0);
}

std::intptr_t ComboGetValue(platform::WindowHandle control) {
    return Send(control, platform::kComboBoxGetCurSel, 0, 0);
}

std::intptr_t ComboSetValue(platform::WindowHandle control, std::int32_t value) {
    return Send(control, platform::kComboBoxSetCurSel, IndexParam(value), 0);
}

std::intptr_t ComboSetText(platform::WindowHandle control, const char* text) {
    const auto style = static_cast<std::uint32_t>(platform::GetWindowLong(control, platform::kWindowLongStyle));
    if ((style & 1) == 0) {
        platform::SetWindowText(control, text);
        return 0;
    }
    if (text == nullptr || text[0] == 0) return Send(control, platform::kComboBoxSetCurSel, IndexParam(-1), 0);
    const std::intptr_t found = Send(control, platform::kComboBoxFindStringExact, IndexParam(-1),
                                     reinterpret_cast<std::intptr_t>(text));
    if (found == platform::kComboBoxError) return -1;
    return Send(control, platform::kComboBoxSetCurSel, static_cast<std::uintptr_t>(found), 0);
}

std::intptr_t ComboInsertItem(platform::WindowHandle control, std::int32_t position, const char* text) {
    return Send(control, platform::kComboBoxInsertString, IndexParam(position),
                reinterpret_cast<std::intptr_t>(text == nullptr ? "" : text));
}

std::intptr_t ComboRemoveItem(platform::WindowHandle control, std::int32_t index) {
    return Send(control, platform::kComboBoxDeleteString, IndexParam(index), 0);
}

std::intptr_t ComboClearItems(platform::WindowHandle control) {
    return Send(control, platform::kComboBoxResetContent, 0, 0);
}

std::intptr_t ComboCountItems(platform::WindowHandle control) {
    return Send(control, platform::kComboBoxGetCount, 0, 0);
}

// The item's text goes to `top` of the temporary string area.  The area
// never overflows: a text longer than the room left is cut there.
char* ComboGetItemText(platform::WindowHandle control, std::int32_t index) {
    char* start = runtime::TemporaryTop();
    if (start == nullptr) return nullptr;
    const std::intptr_t room = runtime::TemporaryAreaEnd() - start;  // the terminating zero included
    const std::intptr_t length = Send(control, platform::kComboBoxGetLbTextLen, IndexParam(index), 0);
    if (length >= 0 && length < room) {
        const std::intptr_t copied = Send(control, platform::kComboBoxGetLbText, IndexParam(index),
                                          reinterpret_cast<std::intptr_t>(start));
        if (copied != platform::kComboBoxError && copied >= 0 && copied < room)
            runtime::SetTemporaryTop(start + copied);
    } else if (length >= room && room > 0) {
        auto* whole = static_cast<char*>(runtime::ProgramAlloc(static_cast<std::size_t>(length) + 1, false));
        if (whole != nullptr) {
            const std::intptr_t copied = Send(control, platform::kComboBoxGetLbText, IndexParam(index),
                                              reinterpret_cast<std::intptr_t>(whole));
            if (copied != platform::kComboBoxError && copied >= 0) {
                const std::intptr_t kept = copied < room - 1 ? copied : room - 1;
                std::memcpy(start, whole, static_cast<std::size_t>(kept));
                runtime::SetTemporaryTop(start + kept);
            }
            runtime::ProgramFree(whole);
        }
    }
    runtime::TerminateTemporary();
    return start;
}

std::intptr_t ComboSetItemText(platform::WindowHandle control, std::int32_t index, const char* text) {
    Send(control, platform::kComboBoxDeleteString, IndexParam(index), 0);
    return Send(control, platform::kComboBoxInsertString, IndexParam(index),
                reinterpret_cast<std::intptr_t>(text == nullptr ? "" : text));
}

std::intptr_t CreateGadget(std::int32_t number, const GadgetCreation& creation) {
    std::int32_t effective = number;
    auto* record = static_cast<GadgetRecord*>(runtime::GetOrGrowEntry(gGadgets, effective));
    if (record == nullptr) return 0;
    if (number != -1 && record->control != 0) {
        // The old control frees this number while it is destroyed.
        if (record->kind != nullptr && record->kind->free != nullptr) record->kind->free(record->control);
        else platform::DestroyWindow(record->control);
        // A dynamically created gadget released its record on destruction:
        // its number is gone and cannot be filled again.
        record = static_cast<GadgetRecord*>(runtime::GetOrGrowEntry(gGadgets, effective));
        if (record == nullptr) return 0;
    }
    const platform::WindowHandle control = platform::CreateWindowEx(
        creation.exStyle, creation.className, creation.text, creation.style, creation.x, creation.y, creation.width,
        creation.height, gGadgetLibrary.parent, effective, platform::GetModuleInstance());
    // Creating the control does not grow the gadget table: the record stays put.
    record->control = control;
    if (control == 0) {
        if (number == -1) runtime::FreeEntry(gGadgets, effective);
        return 0;
    }
    record->kind = creation.kind;
    record->reserved = 0;
    record->previousProcedure = reinterpret_cast<platform::WindowProc>(
        platform::SetWindowLong(control, platform::kWindowLongProc, reinterpret_cast<std::intptr_t>(GadgetProc)));
    platform::SendMessage(control, platform::kMsgSetFont, static_cast<std::uintptr_t>(gGadgetLibrary.font), 1);
    return number == -1 ? static_cast<std::intptr_t>(effective) : static_cast<std::intptr_t>(control);
}

}  // namespace

const GadgetKind ButtonKind = {
    .getValue = ButtonGetValue,
    .setValue = ButtonSetValue,
};

const GadgetKind ComboBoxKind = {
    .getValue = ComboGetValue,
    .setValue = ComboSetValue,
    .setText = ComboSetText,
    .insertItem = ComboInsertItem,
    .removeItem = ComboRemoveItem,
    .clearItems = ComboClearItems,
    .countItems = ComboCountItems,
    .getItemText = ComboGetItemText,
    .setItemText = ComboSetItemText,
};

const runtime::ObjectTable& GadgetTable() { return gGadgets; }

void InitGadgetLibrary() {
    gGadgetLibrary = GadgetLibraryState{};
    runtime::InitObjectTable(gGadgets, 30, 30, sizeof(GadgetRecord));
    gGadgetLibrary.font = platform::GetDefaultGuiFont();
    platform::InitCommonControls();
}

platform::WindowHandle SetGadgetParent(platform::WindowHandle window) {
    gGadgetLibrary.parent = window;
    return window;
}

std::intptr_t CreateButton(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                           const char* text) {
    const GadgetCreation button{.className = "BUTTON",
                                .kind = &ButtonKind,
                                .exStyle = 0,
                                .style = kButtonStyle,
                                .x = x,
                                .y = y,
                                .width = width,
                                .height = height,
                                .text = text};
    return CreateGadget(number, button);
}

std::intptr_t CreateComboBox(std::int32_t number, std::int32_t x, std::int32_t y, std::int32_t width,
                             std::int32_t height) {
    const GadgetCreation comboBox{.className = "COMBOBOX",
                                  .kind = &ComboBoxKind,
                                  .exStyle = platform::kExStyleClientEdge,
                                  .style = kComboBoxStyle,
                                  .x = x,
                                  .y = y,
                                  .width = width,
                                  .height = height,
                                  .text = nullptr};
    return CreateGadget(number, comboBox);
}

std::intptr_t GadgetProc(platform::WindowHandle control, std::uint32_t message, std::uintptr_t wParam,
                         std::intptr_t lParam) {
    const auto number = static_cast<std::int32_t>(platform::GetWindowLong(control, platform::kWindowLongId));
    GadgetRecord* record = Record(number);
    if (record == nullptr || record->control == 0) return platform::DefWindowProc(control, message, wParam, lParam);
    const platform::WindowProc previous = record->previousProcedure;
    if (message == platform::kMsgNcDestroy) runtime::FreeEntry(gGadgets, number);
    return platform::CallWindowProc(previous, control, message, wParam, lParam);
}

std::intptr_t InsertGadgetItem(std::int32_t number, std::int32_t position, const char* text) {
    GadgetRecord* record = Record(number);
    if (record == nullptr || record->kind == nullptr || record->kind->insertItem == nullptr) return 0;
    return record->kind->insertItem(record->control, position, text == nullptr ? "" : text);
}

std::intptr_t SetGadgetValue(std::int32_t number, std::int32_t value) {
    GadgetRecord* record = Record(number);
    if (record == nullptr || record->kind == nullptr || record->kind->setValue == nullptr) return 0;
    return record->kind->setValue(record->control, value);
}

std::intptr_t GetGadgetValue(std::int32_t number) {
    GadgetRecord* record = Record(number);
    if (record == nullptr || record->kind == nullptr || record->kind->getValue == nullptr) return 0;
    return record->kind->getValue(record->control);
}

platform::WindowHandle GetGadgetHandle(std::int32_t number) {
    GadgetRecord* record = Record(number);
    return record == nullptr ? 0 : record->control;
}

const GadgetKind* GetGadgetKind(std::int32_t number) {
    GadgetRecord* record = Record(number);
    return record == nullptr ? nullptr : record->kind;
}

}  // namespace gui
