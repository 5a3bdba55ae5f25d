// The window toolkit on GTK 3: window classes, top-level windows with a
// client area of exactly the size asked for, window data, focus and the
// window tree.  Controls are in toolkit_controls.cpp, the message queue in
// toolkit_messages.cpp.

#include <gdk/gdk.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/gtk/toolkit_internal.h"
#include "platform/posix/window_text.h"
#include "platform/toolkit.h"

namespace platform {

namespace gtk {

namespace {

struct ClassRecord {
    std::string name;  // as registered
    WindowClassTemplate attributes;
};

struct DriverState {
    int gtkState = 0;  // 0 untried, 1 ready, -1 no display
    std::unordered_map<WindowHandle, std::unique_ptr<Node>> nodes;
    WindowHandle lastHandle = 0x10000;
    std::map<std::string, ClassRecord> classes;  // by lower-case name
    WindowHandle active = 0;
    // Frame extents of a decorated window, as last measured on a mapped one.
    Rect frameExtents{};
};

DriverState& State() {
    static DriverState state;
    return state;
}

std::string LowerCase(const char* text) {
    std::string result = text == nullptr ? std::string() : std::string(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

WindowHandle HandleFromData(gpointer data) { return reinterpret_cast<WindowHandle>(data); }
gpointer DataFromHandle(WindowHandle handle) { return reinterpret_cast<gpointer>(handle); }

// The close box asks; the window procedure decides (WM_CLOSE).  The window
// itself never goes away here.
gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
    const WindowHandle handle = HandleFromData(data);
    Node* node = FindNode(handle);
    if (node != nullptr && !node->dying) CallNode(handle, kMsgClose, 0, 0);
    return TRUE;
}

gboolean OnConfigureEvent(GtkWidget*, GdkEventConfigure* event, gpointer data) {
    const WindowHandle handle = HandleFromData(data);
    Node* node = FindNode(handle);
    if (node == nullptr || node->dying) return FALSE;
    const bool moved = event->x != node->clientX || event->y != node->clientY;
    const bool sized = event->width != node->clientWidth || event->height != node->clientHeight;
    node->clientX = event->x;
    node->clientY = event->y;
    node->clientWidth = event->width;
    node->clientHeight = event->height;
    MeasureFrameExtents(node);
    const std::intptr_t position = MakeLParam(event->x, event->y);
    const std::intptr_t size = MakeLParam(event->width, event->height);
    const std::uintptr_t sizeKind = (node->style & kStyleMaximize) != 0 ? 2 : 0;
    if (moved) CallNode(handle, kMsgMove, 0, position);
    if (sized && FindNode(handle) != nullptr) CallNode(handle, kMsgSize, sizeKind, size);
    return FALSE;
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
    Node* node = FindNode(HandleFromData(data));
    if (node == nullptr) return FALSE;
    if ((event->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) != 0) node->style |= kStyleMaximize;
    else node->style &= ~kStyleMaximize;
    return FALSE;
}

gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
    const WindowHandle handle = HandleFromData(data);
    Node* node = FindNode(handle);
    if (node == nullptr || node->dying) return FALSE;
    ActivateTopLevel(handle);
    return FALSE;
}

gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
    const WindowHandle handle = HandleFromData(data);
    Node* node = FindNode(handle);
    if (node == nullptr || node->dying) return FALSE;
    CallNode(handle, kMsgActivate, 0, 0);
    return FALSE;
}

// The window's focus widget changed: the controls concerned hear of it as
// WM_KILLFOCUS and WM_SETFOCUS, through their procedures.
void OnSetFocus(GtkWindow*, GtkWidget* widget, gpointer data) {
    const WindowHandle topHandle = HandleFromData(data);
    Node* top = FindNode(topHandle);
    if (top == nullptr || top->dying) return;
    WindowHandle gained = 0;
    if (widget != nullptr) {
        Node* node = NodeOfWidget(widget);
        if (node != nullptr && node != top && TopLevelOf(node) == top) gained = node->handle;
    }
    const WindowHandle lost = top->focus;
    if (lost == gained) return;
    top->focus = gained;
    Node* lostNode = FindNode(lost);
    if (lostNode != nullptr && !lostNode->dying) CallNode(lost, kMsgKillFocus, gained, 0);
    Node* gainedNode = FindNode(gained);
    if (gainedNode != nullptr && !gainedNode->dying) CallNode(gained, kMsgSetFocus, lost, 0);
}

void ConnectTopLevel(Node* node) {
    gpointer data = DataFromHandle(node->handle);
    g_signal_connect(node->widget, "delete-event", G_CALLBACK(OnDeleteEvent), data);
    g_signal_connect(node->widget, "configure-event", G_CALLBACK(OnConfigureEvent), data);
    g_signal_connect(node->widget, "window-state-event", G_CALLBACK(OnWindowState), data);
    g_signal_connect(node->widget, "focus-in-event", G_CALLBACK(OnFocusIn), data);
    g_signal_connect(node->widget, "focus-out-event", G_CALLBACK(OnFocusOut), data);
    g_signal_connect_after(node->widget, "set-focus", G_CALLBACK(OnSetFocus), data);
}

void RemoveNode(WindowHandle handle) { State().nodes.erase(handle); }

void CollectPreOrder(Node* node, std::vector<WindowHandle>& out) {
    out.push_back(node->handle);
    for (WindowHandle child : node->children) {
        Node* childNode = FindNode(child);
        if (childNode != nullptr) CollectPreOrder(childNode, out);
    }
}

WindowHandle CreateTopLevel(const ClassRecord& windowClass, const char* title, std::uint32_t style,
                            std::uint32_t exStyle, int x, int y, int width, int height) {
    // An overlapped window always has a title bar and a border.
    if ((style & (kStyleChild | kStylePopup)) == 0) style |= kStyleCaption;

    auto owned = std::make_unique<Node>();
    Node* node = owned.get();
    node->handle = NewHandle();
    node->kind = NodeKind::TopLevel;
    node->className = windowClass.name;
    node->procedure = windowClass.attributes.procedure;
    node->style = style & ~(kStyleVisible | kStyleMaximize);
    node->exStyle = exStyle;
    node->text = title == nullptr ? std::string() : std::string(title);
    node->askedX = x;
    node->askedY = y;

    Rect extents{};
    GetFrameExtents(style, &extents);
    const int clientWidth = std::max(1, width - extents.left - extents.right);
    const int clientHeight = std::max(1, height - extents.top - extents.bottom);
    node->askedWidth = clientWidth;
    node->askedHeight = clientHeight;

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    node->widget = window;
    GtkWindow* gtkWindow = GTK_WINDOW(window);
    gtk_window_set_title(gtkWindow, ToUtf8(title).c_str());
    gtk_window_set_decorated(gtkWindow, IsDecoratedStyle(style) ? TRUE : FALSE);
    gtk_window_set_deletable(gtkWindow, (style & kStyleSysMenu) != 0 ? TRUE : FALSE);
    const bool sizable = (style & kStyleThickFrame) != 0;
    gtk_window_set_resizable(gtkWindow, sizable ? TRUE : FALSE);
    if ((style & (kStyleMinimizeBox | kStyleMaximizeBox)) == 0) {
        // No minimise or maximise box: a dialog-like window, which window
        // managers leave at its own size.
        gtk_window_set_type_hint(gtkWindow, GDK_WINDOW_TYPE_HINT_DIALOG);
    }
    if (windowClass.attributes.icon == kProgramIcon) ApplyProgramIcon(gtkWindow);
    g_object_set_data(G_OBJECT(window), kNodeKey, DataFromHandle(node->handle));

    GtkWidget* client = gtk_fixed_new();
    node->client = client;
    gtk_widget_set_size_request(client, clientWidth, clientHeight);
    if (sizable) gtk_window_set_default_size(gtkWindow, clientWidth, clientHeight);
    gtk_container_add(GTK_CONTAINER(window), client);
    gtk_widget_show(client);

    const bool defaultPosition = x == kUseDefaultPosition;
    if (defaultPosition) {
        x = 0;
        y = 0;
    } else {
        gtk_window_move(gtkWindow, x, y);
    }
    node->clientX = x + extents.left;
    node->clientY = y + extents.top;
    node->clientWidth = clientWidth;
    node->clientHeight = clientHeight;

    const WindowHandle handle = node->handle;
    AddNode(owned.release());
    ConnectTopLevel(node);

    // Creation messages, as USER32 sends them before CreateWindowEx returns.
    if (CallNode(handle, kMsgNcCreate, 0, 0) == 0 || FindNode(handle) == nullptr) {
        DestroyWindow(handle);
        return 0;
    }
    if (CallNode(handle, kMsgCreate, 0, 0) == -1 || FindNode(handle) == nullptr) {
        DestroyWindow(handle);
        return 0;
    }
    CallNode(handle, kMsgSize, 0, MakeLParam(clientWidth, clientHeight));
    if (FindNode(handle) == nullptr) return 0;
    CallNode(handle, kMsgMove, 0, MakeLParam(x + extents.left, y + extents.top));
    if (FindNode(handle) == nullptr) return 0;
    if ((style & kStyleVisible) != 0) {
        ShowWindow(handle, (style & kStyleMaximize) != 0 ? kShowCommandMaximized : kShowCommandShow);
    }
    return FindNode(handle) != nullptr ? handle : 0;
}

}  // namespace

bool EnsureGtk() {
    DriverState& state = State();
    if (state.gtkState == 0) {
        state.gtkState = -1;
        // Positions and sizes of top-level windows are the program's: that
        // needs the X11 backend where there is a choice.
        gdk_set_allowed_backends("x11,*");
        // The program's number conversions stay in the C locale.
        gtk_disable_setlocale();
        if (gtk_init_check(nullptr, nullptr)) {
            state.gtkState = 1;
            InstallControlStyles();
            InstallEventQueue();
        }
    }
    return state.gtkState == 1;
}

Node* FindNode(WindowHandle handle) {
    if (handle == 0) return nullptr;
    auto& nodes = State().nodes;
    auto found = nodes.find(handle);
    return found == nodes.end() ? nullptr : found->second.get();
}

Node* NodeOfWidget(GtkWidget* widget) {
    for (GtkWidget* w = widget; w != nullptr; w = gtk_widget_get_parent(w)) {
        gpointer data = g_object_get_data(G_OBJECT(w), kNodeKey);
        if (data != nullptr) return FindNode(HandleFromData(data));
    }
    return nullptr;
}

Node* TopLevelOf(Node* node) {
    while (node != nullptr && node->parent != 0) node = FindNode(node->parent);
    return node;
}

WindowHandle NewHandle() {
    DriverState& state = State();
    do {
        state.lastHandle += 2;
    } while (FindNode(state.lastHandle) != nullptr || state.lastHandle == 0);
    return state.lastHandle;
}

void AddNode(Node* node) { State().nodes[node->handle].reset(node); }

std::intptr_t CallNode(WindowHandle handle, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    Node* node = FindNode(handle);
    if (node == nullptr || node->procedure == nullptr) return 0;
    WindowProc procedure = node->procedure;
    return procedure(handle, message, wParam, lParam);
}

void NotifyParent(WindowHandle control, std::uint32_t code) {
    Node* node = FindNode(control);
    if (node == nullptr || node->dying) return;
    Node* parent = FindNode(node->parent);
    if (parent == nullptr || parent->dying) return;
    CallNode(parent->handle, kMsgCommand, MakeWParam(static_cast<std::uint32_t>(node->id), code),
             static_cast<std::intptr_t>(control));
}

std::string ToUtf8(const char* text) { return posix::WindowTextToUtf8(text); }

bool IsDecoratedStyle(std::uint32_t style) {
    if ((style & (kStyleChild | kStylePopup)) == 0) return true;
    return (style & kStyleCaption) == kStyleCaption || (style & kStyleThickFrame) != 0;
}

void GetFrameExtents(std::uint32_t style, Rect* extents) {
    *extents = IsDecoratedStyle(style) ? State().frameExtents : Rect{};
}

void MeasureFrameExtents(Node* top) {
    if (top == nullptr || top->kind != NodeKind::TopLevel || !IsDecoratedStyle(top->style)) return;
    GdkWindow* window = gtk_widget_get_window(top->widget);
    if (window == nullptr || !gtk_widget_get_mapped(top->widget)) return;
    GdkRectangle frame{};
    gdk_window_get_frame_extents(window, &frame);
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(window, &originX, &originY);
    const int width = gdk_window_get_width(window);
    const int height = gdk_window_get_height(window);
    const Rect extents{originX - frame.x, originY - frame.y, frame.x + frame.width - (originX + width),
                       frame.y + frame.height - (originY + height)};
    const bool sane = extents.left >= 0 && extents.top >= 0 && extents.right >= 0 && extents.bottom >= 0 &&
                      extents.left < 200 && extents.top < 200 && extents.right < 200 && extents.bottom < 200;
    if (sane) State().frameExtents = extents;
}

void ActivateTopLevel(WindowHandle handle) {
    DriverState& state = State();
    if (state.active == handle) return;
    const WindowHandle previous = state.active;
    state.active = handle;
    if (FindNode(previous) != nullptr) CallNode(previous, kMsgActivate, 0, static_cast<std::intptr_t>(handle));
    if (FindNode(handle) != nullptr) CallNode(handle, kMsgActivate, 1, static_cast<std::intptr_t>(previous));
}

void ClearActive(WindowHandle handle) {
    if (State().active == handle) State().active = 0;
}

}  // namespace gtk

using namespace gtk;

void InitCommonControls() {}

FontHandle GetDefaultGuiFont() { return kStockGuiFont; }

std::uintptr_t LoadArrowCursor() { return 32512; }

// The program has one icon, whatever the resource number: windows of a class
// that carries it show it (toolkit_dialog.cpp finds it).
std::uintptr_t LoadProgramIcon(InstanceHandle, int) { return kProgramIcon; }

bool RegisterWindowClass(const WindowClassTemplate* tmpl) {
    if (tmpl == nullptr || tmpl->className == nullptr || tmpl->className[0] == 0) return false;
    const std::string key = LowerCase(tmpl->className);
    if (key == "button" || key == "combobox") return false;
    auto& classes = State().classes;
    if (classes.count(key) != 0) return false;  // the existing registration stays
    ClassRecord record{tmpl->className, *tmpl};
    record.attributes.className = nullptr;
    classes.emplace(key, std::move(record));
    return true;
}

bool UnregisterWindowClass(const char* className, InstanceHandle) {
    const std::string key = LowerCase(className);
    auto& classes = State().classes;
    auto found = classes.find(key);
    if (found == classes.end()) return false;
    for (const auto& entry : State().nodes) {
        if (LowerCase(entry.second->className.c_str()) == key) return false;  // still in use
    }
    classes.erase(found);
    return true;
}

void AdjustWindowRectangle(Rect* rect, std::uint32_t style) {
    if (rect == nullptr) return;
    Rect extents{};
    GetFrameExtents(style, &extents);
    rect->left -= extents.left;
    rect->top -= extents.top;
    rect->right += extents.right;
    rect->bottom += extents.bottom;
}

namespace {
bool PrimaryMonitorSize(int* width, int* height) {
    if (!EnsureGtk()) return false;
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return false;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
    if (monitor == nullptr) return false;
    GdkRectangle geometry{};
    gdk_monitor_get_geometry(monitor, &geometry);
    *width = geometry.width;
    *height = geometry.height;
    return true;
}
}  // namespace

int GetScreenWidth() {
    int width = 0;
    int height = 0;
    return PrimaryMonitorSize(&width, &height) ? width : 0;
}

int GetScreenHeight() {
    int width = 0;
    int height = 0;
    return PrimaryMonitorSize(&width, &height) ? height : 0;
}

WindowHandle GetActiveWindow() {
    const WindowHandle active = State().active;
    return FindNode(active) != nullptr ? active : 0;
}

bool GetWindowRectangle(WindowHandle window, Rect* rect) {
    Node* node = FindNode(window);
    if (node == nullptr || rect == nullptr) return false;
    if (node->kind == NodeKind::TopLevel) {
        GdkWindow* gdkWindow = gtk_widget_get_window(node->widget);
        if (gdkWindow != nullptr && gtk_widget_get_mapped(node->widget)) {
            MeasureFrameExtents(node);
            GdkRectangle frame{};
            gdk_window_get_frame_extents(gdkWindow, &frame);
            *rect = Rect{frame.x, frame.y, frame.x + frame.width, frame.y + frame.height};
            return true;
        }
        Rect extents{};
        GetFrameExtents(node->style, &extents);
        *rect = Rect{node->clientX - extents.left, node->clientY - extents.top,
                     node->clientX + node->clientWidth + extents.right,
                     node->clientY + node->clientHeight + extents.bottom};
        return true;
    }
    // A control: its allocation inside the client area of its window.
    Node* top = TopLevelOf(node);
    if (top == nullptr) return false;
    int originX = top->clientX;
    int originY = top->clientY;
    GdkWindow* topWindow = gtk_widget_get_window(top->widget);
    if (topWindow != nullptr && gtk_widget_get_mapped(top->widget))
        gdk_window_get_origin(topWindow, &originX, &originY);
    int x = 0;
    int y = 0;
    GtkAllocation allocation{};
    gtk_widget_get_allocation(node->widget, &allocation);
    if (!gtk_widget_translate_coordinates(node->widget, top->widget, 0, 0, &x, &y)) {
        x = allocation.x;
        y = allocation.y;
    }
    int width = allocation.width;
    int height = allocation.height;
    if (!gtk_widget_get_realized(node->widget)) gtk_widget_get_size_request(node->widget, &width, &height);
    *rect = Rect{originX + x, originY + y, originX + x + width, originY + y + height};
    return true;
}

WindowHandle CreateWindowEx(std::uint32_t exStyle, const char* className, const char* text, std::uint32_t style, int x,
                            int y, int width, int height, WindowHandle parent, std::intptr_t id, InstanceHandle) {
    if (className == nullptr) return 0;
    const std::string key = LowerCase(className);
    Node* parentNode = FindNode(parent);
    if (key == "button" || key == "combobox") {
        // Controls live inside a window.
        if (parentNode == nullptr || parentNode->dying || (style & kStyleChild) == 0) return 0;
        if (!EnsureGtk()) return 0;
        return CreateControl(key == "button" ? NodeKind::Button : NodeKind::ComboBox, text, style, exStyle, x, y, width,
                             height, parentNode, id);
    }
    auto found = State().classes.find(key);
    if (found == State().classes.end()) return 0;
    // Only top-level windows of registered classes are offered.
    if (parent != 0 || (style & kStyleChild) != 0) return 0;
    if (!EnsureGtk()) return 0;
    const ClassRecord windowClass = found->second;
    return CreateTopLevel(windowClass, text, style, exStyle, x, y, width, height);
}

void ShowWindow(WindowHandle window, int command) {
    Node* node = FindNode(window);
    if (node == nullptr || node->dying) return;
    if (node->kind != NodeKind::TopLevel) {
        if (command == kShowCommandHide) {
            node->style &= ~kStyleVisible;
            gtk_widget_hide(node->widget);
        } else {
            node->style |= kStyleVisible;
            gtk_widget_show(node->widget);
        }
        return;
    }
    GtkWindow* gtkWindow = GTK_WINDOW(node->widget);
    const bool wasVisible = (node->style & kStyleVisible) != 0;
    switch (command) {
        case kShowCommandHide:
            node->style &= ~kStyleVisible;
            gtk_widget_hide(node->widget);
            if (wasVisible) CallNode(window, kMsgShowWindow, 0, 0);
            ClearActive(window);
            return;
        case kShowCommandMaximized:
            node->style |= kStyleMaximize;
            gtk_window_maximize(gtkWindow);
            break;
        case kShowCommandMinimized: gtk_window_iconify(gtkWindow); break;
        case kShowCommandNormal:
        case kShowCommandRestore:
            if ((node->style & kStyleMaximize) != 0) gtk_window_unmaximize(gtkWindow);
            node->style &= ~kStyleMaximize;
            gtk_window_deiconify(gtkWindow);
            break;
        default: break;
    }
    node->style |= kStyleVisible;
    if (!wasVisible) CallNode(window, kMsgShowWindow, 1, 0);
    if (FindNode(window) == nullptr) return;
    gtk_widget_show(node->widget);
    if (command != kShowCommandMinimized) ActivateTopLevel(window);
}

void DestroyWindow(WindowHandle window) {
    Node* node = FindNode(window);
    if (node == nullptr || node->dying) return;
    std::vector<WindowHandle> order;
    CollectPreOrder(node, order);
    for (WindowHandle handle : order) FindNode(handle)->dying = true;
    GtkWidget* widget = node->widget;
    g_object_ref(widget);
    const bool topLevel = node->kind == NodeKind::TopLevel;
    if (topLevel) {
        gtk_widget_hide(widget);
        ClearActive(window);
    } else if (Node* top = TopLevelOf(node)) {
        for (WindowHandle handle : order) {
            if (top->focus == handle) top->focus = 0;
        }
    }
    // WM_DESTROY from the window down to its controls, then WM_NCDESTROY
    // from the controls up to the window: the last message of each.
    for (WindowHandle handle : order) CallNode(handle, kMsgDestroy, 0, 0);
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        CallNode(*it, kMsgNcDestroy, 0, 0);
        Node* gone = FindNode(*it);
        if (gone != nullptr) {
            DisconnectNode(gone);
            if (Node* parent = FindNode(gone->parent)) {
                auto& siblings = parent->children;
                siblings.erase(std::remove(siblings.begin(), siblings.end(), *it), siblings.end());
            }
        }
        RemoveNode(*it);
    }
    gtk_widget_destroy(widget);
    g_object_unref(widget);
    // The window is gone from the screen at once, not at the next wait for
    // a message (which may never come).
    if (GdkDisplay* display = gdk_display_get_default()) gdk_display_flush(display);
}

void SetWindowText(WindowHandle window, const char* text) {
    CallNode(window, kMsgSetText, 0, reinterpret_cast<std::intptr_t>(text));
}

WindowHandle GetFocus() {
    Node* top = FindNode(State().active);
    if (top == nullptr) return 0;
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top->widget));
    if (focus != nullptr) {
        Node* node = NodeOfWidget(focus);
        if (node != nullptr && node != top) return node->handle;
    }
    return top->handle;
}

WindowHandle SetFocus(WindowHandle window) {
    const WindowHandle previous = GetFocus();
    if (window == 0) {
        if (Node* top = FindNode(State().active)) gtk_window_set_focus(GTK_WINDOW(top->widget), nullptr);
        return previous;
    }
    Node* node = FindNode(window);
    if (node == nullptr || node->dying) return 0;
    Node* top = TopLevelOf(node);
    if (top == nullptr) return 0;
    if ((node->style & kStyleDisabled) != 0) return 0;
    ActivateTopLevel(top->handle);
    if (FindNode(window) == nullptr) return previous;
    if (node == top) {
        gtk_window_set_focus(GTK_WINDOW(top->widget), nullptr);
    } else {
        gtk_widget_grab_focus(node->widget);
    }
    return previous;
}

int GetClassName(WindowHandle window, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = 0;
    Node* node = FindNode(window);
    if (node == nullptr) return 0;
    const int length = std::min(static_cast<int>(node->className.size()), size - 1);
    std::memcpy(buffer, node->className.data(), static_cast<std::size_t>(length));
    buffer[length] = 0;
    return length;
}

bool IsChild(WindowHandle parent, WindowHandle window) {
    if (parent == 0) return false;
    Node* node = FindNode(window);
    while (node != nullptr && node->parent != 0) {
        if (node->parent == parent) return true;
        node = FindNode(node->parent);
    }
    return false;
}

void EnumChildWindows(WindowHandle parent, EnumChildProc procedure, std::intptr_t context) {
    Node* node = FindNode(parent);
    if (node == nullptr || procedure == nullptr) return;
    std::vector<WindowHandle> order;
    CollectPreOrder(node, order);
    for (std::size_t i = 1; i < order.size(); ++i) {
        if (FindNode(order[i]) == nullptr) continue;
        if (!procedure(order[i], context)) return;
    }
}

bool IsWindowEnabled(WindowHandle window) {
    Node* node = FindNode(window);
    return node != nullptr && (node->style & kStyleDisabled) == 0;
}

bool IsWindowVisible(WindowHandle window) {
    Node* node = FindNode(window);
    if (node == nullptr) return false;
    for (; node != nullptr; node = FindNode(node->parent)) {
        if ((node->style & kStyleVisible) == 0) return false;
    }
    return true;
}

std::intptr_t GetWindowLong(WindowHandle window, std::int32_t index) {
    Node* node = FindNode(window);
    if (node == nullptr) return 0;
    switch (index) {
        case kWindowLongProc: return reinterpret_cast<std::intptr_t>(node->procedure);
        case kWindowLongId: return node->id;
        case kWindowLongStyle: return static_cast<std::intptr_t>(static_cast<std::int32_t>(node->style));
        case kWindowLongExStyle: return static_cast<std::intptr_t>(node->exStyle);
        case kWindowLongUserData: return node->userData;
        default: return 0;
    }
}

std::intptr_t SetWindowLong(WindowHandle window, std::int32_t index, std::intptr_t value) {
    Node* node = FindNode(window);
    if (node == nullptr) return 0;
    std::intptr_t previous = 0;
    switch (index) {
        case kWindowLongProc:
            if (value == 0) return 0;
            previous = reinterpret_cast<std::intptr_t>(node->procedure);
            node->procedure = reinterpret_cast<WindowProc>(value);
            return previous;
        case kWindowLongId:
            previous = node->id;
            node->id = value;
            return previous;
        case kWindowLongStyle: {
            previous = static_cast<std::intptr_t>(static_cast<std::int32_t>(node->style));
            // Visibility and maximising follow ShowWindow; enabling takes effect at once.
            const std::uint32_t kept = node->style & (kStyleVisible | kStyleMaximize);
            node->style = (static_cast<std::uint32_t>(value) & ~(kStyleVisible | kStyleMaximize)) | kept;
            gtk_widget_set_sensitive(node->widget, (node->style & kStyleDisabled) == 0 ? TRUE : FALSE);
            return previous;
        }
        case kWindowLongExStyle:
            previous = static_cast<std::intptr_t>(node->exStyle);
            node->exStyle = static_cast<std::uint32_t>(value);
            return previous;
        case kWindowLongUserData:
            previous = node->userData;
            node->userData = value;
            return previous;
        default: return 0;
    }
}

}  // namespace platform
