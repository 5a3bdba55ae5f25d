// Shared state of the GTK window toolkit driver.
//
// Every window and control is a node under a handle of its own.  A node
// keeps what USER32 keeps for a window (class, procedure, identifier,
// styles, text) next to its GTK widgets.  The node's procedure sees the
// messages; the driver's own procedures and the default procedure perform
// the behaviour of the controls and hand platform events on to GTK.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace platform::gtk {

enum class NodeKind { TopLevel, Button, ComboBox };

struct Node {
    WindowHandle handle = 0;
    NodeKind kind = NodeKind::TopLevel;
    WindowHandle parent = 0;             // 0 for a top-level window
    std::vector<WindowHandle> children;  // controls in creation order
    std::string className;               // as registered, or "BUTTON" / "COMBOBOX"
    WindowProc procedure = nullptr;
    std::intptr_t id = 0;
    std::intptr_t userData = 0;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::string text;             // title or label, the caller's bytes
    GtkWidget* widget = nullptr;  // GtkWindow, GtkButton or GtkComboBoxText
    GtkWidget* client = nullptr;  // a top-level window's client area (GtkFixed)
    FontHandle font = 0;
    // A top-level window's client area as last reported to its procedure:
    // origin in screen coordinates and size.
    int clientX = 0;
    int clientY = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    WindowHandle focus = 0;          // a top-level window's focused control, 0 = itself
    std::vector<std::string> items;  // a combo box's item texts, the caller's bytes
    int quiet = 0;                   // > 0 while the driver changes a control itself
    bool dying = false;              // DestroyWindow is under way
    // Where the caller put the window and how large it asked for it: a
    // control's rectangle in the client area (the closed part of a combo
    // box); a top-level window's outer position (kUseDefaultPosition when
    // the platform chose it) and client size.  A window with dialog manners
    // is laid out again from these whenever a text in it changes.
    int askedX = 0;
    int askedY = 0;
    int askedWidth = 1;
    int askedHeight = 1;
    bool dialog = false;  // UseDialogManners was called for this top-level window
};

// Lazily initialises GTK once; false when there is no display.
bool EnsureGtk();

Node* FindNode(WindowHandle handle);
// The node a widget belongs to (the widget itself or its nearest ancestor
// that is a node), or null.
Node* NodeOfWidget(GtkWidget* widget);
Node* TopLevelOf(Node* node);
WindowHandle NewHandle();
void AddNode(Node* node);  // takes ownership

// Runs the node's procedure.  The node may be gone when it returns.
std::intptr_t CallNode(WindowHandle handle, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
// A control's notification to its parent window (WM_COMMAND).
void NotifyParent(WindowHandle control, std::uint32_t code);

// Texts are byte strings; GTK wants UTF-8.  Valid UTF-8 passes unchanged
// (plain ASCII is both), anything else is read as Windows-1252, the code page
// presentations were written in.
std::string ToUtf8(const char* text);

// Top-level windows.
bool IsDecoratedStyle(std::uint32_t style);
void GetFrameExtents(std::uint32_t style, Rect* extents);
void MeasureFrameExtents(Node* topLevel);
void ActivateTopLevel(WindowHandle handle);
void ClearActive(WindowHandle handle);

// Controls (toolkit_controls.cpp).
void InstallControlStyles();
WindowHandle CreateControl(NodeKind kind, const char* text, std::uint32_t style, std::uint32_t exStyle, int x, int y,
                           int width, int height, Node* parent, std::intptr_t id);
std::intptr_t ButtonProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
std::intptr_t ComboBoxProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam);
void ApplyControlText(Node* node);
void DisconnectNode(Node* node);

// Dialog manners (toolkit_dialog.cpp): the window's icon, and the layout of
// a window with dialog manners redone from its asked sizes and its texts.
// FitDialogToText does nothing for other windows.
void ApplyProgramIcon(GtkWindow* window);
void FitDialogToText(Node* topLevel);

// Messages (toolkit_messages.cpp): the event being dispatched is handed to
// GTK by the first default processing of that same message for that same
// window.  True when this call delivered it.
// Routes every GDK event into the driver's message queue.
void InstallEventQueue();
bool DeliverDispatchedEvent(WindowHandle window, std::uint32_t message);
void UpdateKeyStateFromEvent(const GdkEvent* event);

constexpr const char* kNodeKey = "rodazaro-node";
constexpr FontHandle kStockGuiFont = 0x0F000011;  // DEFAULT_GUI_FONT
constexpr std::uintptr_t kProgramIcon = 0x0001;   // LoadProgramIcon's one icon

inline std::uintptr_t MakeWParam(std::uint32_t low, std::uint32_t high) {
    return static_cast<std::uintptr_t>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}
inline std::intptr_t MakeLParam(int low, int high) {
    return static_cast<std::intptr_t>(static_cast<std::int32_t>((static_cast<std::uint32_t>(low) & 0xFFFFu) |
                                                                ((static_cast<std::uint32_t>(high) & 0xFFFFu) << 16)));
}

}  // namespace platform::gtk
