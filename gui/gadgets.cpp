#include "gui/gadgets.h"

#include "platform/toolkit.h"

namespace gui {

namespace {

struct GadgetKind;

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

runtime::ObjectTable gGadgets{};
GadgetLibraryState gGadgetLibrary{};

}  // namespace

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

}  // namespace gui
