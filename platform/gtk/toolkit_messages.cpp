// The message queue of the GTK toolkit driver.
//
// Every GDK event is caught on its way from the display into GTK and kept in
// the driver's queue.  GetMessage takes exactly one of them and presents it
// as a USER32 message for the window it concerns: key presses go to the
// window with the keyboard focus, pointer events to the window under the
// pointer.  DispatchMessage runs that window's procedure; the first default
// processing of the same message for the same window (a driver procedure of
// a control, or DefWindowProc) hands the event to GTK, whose signal handlers
// in turn send the window procedures their WM_COMMAND, WM_CLOSE, WM_MOVE and
// WM_SIZE.  A procedure that keeps a message from its default processing
// keeps the event from GTK, as it would keep it from a USER32 control.

#include <gdk/gdk.h>
#include <gdk/gdkkeysyms.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <unordered_map>
#include <vector>

#include "platform/gtk/toolkit_internal.h"
#include "platform/process.h"
#include "platform/toolkit.h"

namespace platform {

namespace gtk {

namespace {

constexpr std::uint32_t kMsgNull = 0x0000;         // WM_NULL
constexpr std::uint32_t kMsgCancelMode = 0x001F;   // WM_CANCELMODE
constexpr std::uint32_t kMsgMouseWheel = 0x020A;   // WM_MOUSEWHEEL
constexpr std::uint32_t kMsgMButtonDown = 0x0207;  // WM_MBUTTONDOWN
constexpr std::uint32_t kMsgMButtonUp = 0x0208;    // WM_MBUTTONUP
constexpr std::uint32_t kMsgMButtonDoubleClick = 0x0209;
constexpr std::uint32_t kMsgRButtonDoubleClick = 0x0206;
constexpr std::uint32_t kMsgMouseLeave = 0x02A3;  // WM_MOUSELEAVE

constexpr std::int16_t kKeyDown = static_cast<std::int16_t>(0xFF80);

// The message taken by the last GetMessage and the event behind it.
struct TakenMessage {
    Message message{};
    GdkEvent* event = nullptr;
    bool dispatched = false;
};

// A dispatch under way: the first default processing of this message for
// this window hands the event to GTK.
struct Dispatch {
    WindowHandle window;
    std::uint32_t message;
    GdkEvent* event;
    bool delivered;
};

struct QueueState {
    std::deque<GdkEvent*> events;
    TakenMessage taken;
    Dispatch* dispatch = nullptr;
    std::int16_t keys[256] = {};
    std::unordered_map<AcceleratorHandle, std::vector<AcceleratorEntry>> accelerators;
    AcceleratorHandle lastAccelerator = 0;
};

QueueState& Queue() {
    static QueueState state;
    return state;
}

void QueueEvent(GdkEvent* event, gpointer) { Queue().events.push_back(gdk_event_copy(event)); }

void ReleaseTaken() {
    TakenMessage& taken = Queue().taken;
    if (taken.event != nullptr) gdk_event_free(taken.event);
    taken = TakenMessage{};
}

bool SameMessage(const Message& a, const Message& b) {
    return a.window == b.window && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam;
}

std::uint32_t VirtualKeyOf(guint keyval) {
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return static_cast<std::uint32_t>(keyval - GDK_KEY_a + 'A');
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return static_cast<std::uint32_t>(keyval - GDK_KEY_A + 'A');
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return static_cast<std::uint32_t>(keyval - GDK_KEY_0 + '0');
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return static_cast<std::uint32_t>(0x70 + keyval - GDK_KEY_F1);
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9)
        return static_cast<std::uint32_t>(0x60 + keyval - GDK_KEY_KP_0);
    switch (keyval) {
        case GDK_KEY_BackSpace: return 0x08;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab:
        case GDK_KEY_KP_Tab: return kVkTab;
        case GDK_KEY_Clear: return 0x0C;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter: return 0x0D;
        case GDK_KEY_Shift_L:
        case GDK_KEY_Shift_R: return kVkShift;
        case GDK_KEY_Control_L:
        case GDK_KEY_Control_R: return kVkControl;
        case GDK_KEY_Alt_L:
        case GDK_KEY_Alt_R:
        case GDK_KEY_Meta_L:
        case GDK_KEY_Meta_R: return kVkMenu;
        case GDK_KEY_Pause: return 0x13;
        case GDK_KEY_Caps_Lock: return 0x14;
        case GDK_KEY_Escape: return 0x1B;
        case GDK_KEY_space: return 0x20;
        case GDK_KEY_Page_Up:
        case GDK_KEY_KP_Page_Up: return 0x21;
        case GDK_KEY_Page_Down:
        case GDK_KEY_KP_Page_Down: return 0x22;
        case GDK_KEY_End:
        case GDK_KEY_KP_End: return 0x23;
        case GDK_KEY_Home:
        case GDK_KEY_KP_Home: return 0x24;
        case GDK_KEY_Left:
        case GDK_KEY_KP_Left: return 0x25;
        case GDK_KEY_Up:
        case GDK_KEY_KP_Up: return 0x26;
        case GDK_KEY_Right:
        case GDK_KEY_KP_Right: return 0x27;
        case GDK_KEY_Down:
        case GDK_KEY_KP_Down: return 0x28;
        case GDK_KEY_Insert:
        case GDK_KEY_KP_Insert: return 0x2D;
        case GDK_KEY_Delete:
        case GDK_KEY_KP_Delete: return 0x2E;
        case GDK_KEY_Super_L: return 0x5B;
        case GDK_KEY_Super_R: return 0x5C;
        case GDK_KEY_Menu: return 0x5D;
        case GDK_KEY_KP_Multiply: return 0x6A;
        case GDK_KEY_KP_Add: return 0x6B;
        case GDK_KEY_KP_Subtract: return 0x6D;
        case GDK_KEY_KP_Decimal: return 0x6E;
        case GDK_KEY_KP_Divide: return 0x6F;
        case GDK_KEY_Num_Lock: return 0x90;
        case GDK_KEY_Scroll_Lock: return 0x91;
        default: return 0xFF;
    }
}

// The node a platform window belongs to.
Node* NodeOfGdkWindow(GdkWindow* window) {
    if (window == nullptr) return nullptr;
    gpointer data = nullptr;
    gdk_window_get_user_data(window, &data);
    if (data == nullptr || !GTK_IS_WIDGET(data)) return nullptr;
    return NodeOfWidget(GTK_WIDGET(data));
}

std::uintptr_t MouseKeys(guint state) {
    std::uintptr_t keys = 0;
    if ((state & GDK_BUTTON1_MASK) != 0) keys |= 0x01;
    if ((state & GDK_BUTTON3_MASK) != 0) keys |= 0x02;
    if ((state & GDK_SHIFT_MASK) != 0) keys |= 0x04;
    if ((state & GDK_CONTROL_MASK) != 0) keys |= 0x08;
    if ((state & GDK_BUTTON2_MASK) != 0) keys |= 0x10;
    return keys;
}

std::intptr_t PointerPosition(double x, double y) { return MakeLParam(static_cast<int>(x), static_cast<int>(y)); }

// The message a GDK event stands for.
Message Translate(const GdkEvent* event) {
    Message message{};
    Node* node = NodeOfGdkWindow(event->any.window);
    message.window = node != nullptr ? node->handle : 0;
    switch (event->type) {
        case GDK_KEY_PRESS:
        case GDK_KEY_RELEASE: {
            const GdkEventKey& key = event->key;
            // Keys go to the window with the keyboard focus.
            if (Node* top = TopLevelOf(node)) {
                GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top->widget));
                Node* focused = focus != nullptr ? NodeOfWidget(focus) : nullptr;
                message.window = focused != nullptr ? focused->handle : top->handle;
            }
            const bool press = event->type == GDK_KEY_PRESS;
            const std::uint32_t virtualKey = VirtualKeyOf(key.keyval);
            const bool alt = (key.state & GDK_MOD1_MASK) != 0 || (press && virtualKey == kVkMenu);
            if (press) message.message = alt ? kMsgSysKeyDown : kMsgKeyDown;
            else message.message = alt ? kMsgSysKeyUp : kMsgKeyUp;
            message.wParam = virtualKey;
            std::uint32_t flags = 1u | ((static_cast<std::uint32_t>(key.hardware_keycode - 8) & 0xFFu) << 16);
            if (alt) flags |= 1u << 29;
            if (!press) flags |= (1u << 30) | (1u << 31);
            else if ((Queue().keys[virtualKey & 0xFF] & 0x80) != 0) flags |= 1u << 30;
            message.lParam = static_cast<std::intptr_t>(static_cast<std::int32_t>(flags));
            break;
        }
        case GDK_MOTION_NOTIFY:
            message.message = kMsgMouseMove;
            message.wParam = MouseKeys(event->motion.state);
            message.lParam = PointerPosition(event->motion.x, event->motion.y);
            break;
        case GDK_ENTER_NOTIFY:
            message.message = kMsgMouseMove;  // the pointer's first move over the window
            message.wParam = MouseKeys(event->crossing.state);
            message.lParam = PointerPosition(event->crossing.x, event->crossing.y);
            break;
        case GDK_LEAVE_NOTIFY: message.message = kMsgMouseLeave; break;
        case GDK_BUTTON_PRESS:
        case GDK_2BUTTON_PRESS:
        case GDK_3BUTTON_PRESS: {
            const bool twice = event->type == GDK_2BUTTON_PRESS;
            switch (event->button.button) {
                case 2: message.message = twice ? kMsgMButtonDoubleClick : kMsgMButtonDown; break;
                case 3: message.message = twice ? kMsgRButtonDoubleClick : kMsgRButtonDown; break;
                default: message.message = twice ? kMsgLButtonDoubleClick : kMsgLButtonDown; break;
            }
            message.wParam = MouseKeys(event->button.state);
            message.lParam = PointerPosition(event->button.x, event->button.y);
            break;
        }
        case GDK_BUTTON_RELEASE:
            switch (event->button.button) {
                case 2: message.message = kMsgMButtonUp; break;
                case 3: message.message = kMsgRButtonUp; break;
                default: message.message = kMsgLButtonUp; break;
            }
            message.wParam = MouseKeys(event->button.state);
            message.lParam = PointerPosition(event->button.x, event->button.y);
            break;
        case GDK_SCROLL:
            message.message = kMsgMouseWheel;
            message.wParam = MakeWParam(static_cast<std::uint32_t>(MouseKeys(event->scroll.state)),
                                        event->scroll.direction == GDK_SCROLL_DOWN ? 0xFF88u : 120u);
            message.lParam = PointerPosition(event->scroll.x_root, event->scroll.y_root);
            break;
        case GDK_DELETE:
            // The close box: the system command that ends in WM_CLOSE.
            message.message = kMsgSysCommand;
            message.wParam = kSysCommandClose;
            break;
        case GDK_CONFIGURE: message.message = kMsgWindowPosChanged; break;
        case GDK_MAP:
            message.message = kMsgShowWindow;
            message.wParam = 1;
            break;
        case GDK_UNMAP: message.message = kMsgShowWindow; break;
        case GDK_FOCUS_CHANGE:
            message.message = kMsgNcActivate;
            message.wParam = event->focus_change.in ? 1 : 0;
            break;
        case GDK_EXPOSE: message.message = kMsgPaint; break;
        case GDK_GRAB_BROKEN: message.message = kMsgCancelMode; break;
        default: message.message = kMsgNull; break;
    }
    return message;
}

bool KeyIsDown(std::uint32_t virtualKey) { return (Queue().keys[virtualKey & 0xFF] & 0x80) != 0; }

}  // namespace

// A request to end the program wakes the wait for the next event; the
// byte that woke it is read so that the descriptor does not stay ready.
gboolean DrainTerminationWake(gint descriptor, GIOCondition, gpointer) {
    char bytes[16];
    while (::read(descriptor, bytes, sizeof bytes) > 0) {
    }
    return G_SOURCE_CONTINUE;
}

void InstallEventQueue() {
    gdk_event_handler_set(QueueEvent, nullptr, nullptr);
    const int wake = TerminationWakeDescriptor();
    if (wake >= 0) g_unix_fd_add(wake, G_IO_IN, DrainTerminationWake, nullptr);
}

// Keeps the key states as of the message just taken: the modifiers from the
// event's own state, then the key itself.
void UpdateKeyStateFromEvent(const GdkEvent* event) {
    if (event->type != GDK_KEY_PRESS && event->type != GDK_KEY_RELEASE) return;
    std::int16_t* keys = Queue().keys;
    const guint state = event->key.state;
    keys[kVkShift] = (state & GDK_SHIFT_MASK) != 0 ? kKeyDown : 0;
    keys[kVkControl] = (state & GDK_CONTROL_MASK) != 0 ? kKeyDown : 0;
    keys[kVkMenu] = (state & GDK_MOD1_MASK) != 0 ? kKeyDown : 0;
    const std::uint32_t virtualKey = VirtualKeyOf(event->key.keyval);
    if (virtualKey != 0xFF) keys[virtualKey] = event->type == GDK_KEY_PRESS ? kKeyDown : 0;
}

bool DeliverDispatchedEvent(WindowHandle window, std::uint32_t message) {
    Dispatch* dispatch = Queue().dispatch;
    if (dispatch == nullptr || dispatch->delivered || dispatch->window != window || dispatch->message != message) {
        return false;
    }
    dispatch->delivered = true;
    gtk_main_do_event(dispatch->event);
    return true;
}

}  // namespace gtk

using namespace gtk;

AcceleratorHandle CreateAcceleratorTable(const AcceleratorEntry* entries, int count) {
    if (entries == nullptr || count <= 0) return 0;
    QueueState& queue = Queue();
    queue.lastAccelerator += 4;
    queue.accelerators[queue.lastAccelerator] = std::vector<AcceleratorEntry>(entries, entries + count);
    return queue.lastAccelerator;
}

void DestroyAcceleratorTable(AcceleratorHandle table) { Queue().accelerators.erase(table); }

bool TranslateAccelerator(WindowHandle window, AcceleratorHandle table, const Message* message) {
    if (message == nullptr || FindNode(window) == nullptr) return false;
    QueueState& queue = Queue();
    auto found = queue.accelerators.find(table);
    if (found == queue.accelerators.end()) return false;
    const bool keyDown = message->message == kMsgKeyDown || message->message == kMsgSysKeyDown;
    const bool character = message->message == kMsgChar || message->message == kMsgSysChar;
    if (!keyDown && !character) return false;
    const bool shift = KeyIsDown(kVkShift);
    const bool control = KeyIsDown(kVkControl);
    const bool alt = KeyIsDown(kVkMenu);
    const std::vector<AcceleratorEntry> entries = found->second;
    for (const AcceleratorEntry& entry : entries) {
        if ((entry.flags & kAcceleratorVirtualKey) != 0) {
            if (!keyDown || entry.key != (message->wParam & 0xFFFF)) continue;
            if (((entry.flags & kAcceleratorShift) != 0) != shift) continue;
            if (((entry.flags & kAcceleratorControl) != 0) != control) continue;
            if (((entry.flags & kAcceleratorAlt) != 0) != alt) continue;
        } else {
            if (!character || entry.key != (message->wParam & 0xFFFF)) continue;
            if (((entry.flags & kAcceleratorAlt) != 0) != alt) continue;
        }
        // The key is used up: it never reaches the focused control.
        if (queue.taken.event != nullptr && SameMessage(*message, queue.taken.message)) queue.taken.dispatched = true;
        CallNode(window, kMsgCommand, MakeWParam(entry.command, 1), 0);
        return true;
    }
    return false;
}

bool GetMessage(Message* message) {
    if (message == nullptr) return false;
    ReleaseTaken();
    *message = Message{};
    if (!EnsureGtk()) return false;
    QueueState& queue = Queue();
    for (;;) {
        while (queue.events.empty()) {
            // Asked to end: there is no message, as after WM_QUIT.
            if (TerminationStatus() != 0) return false;
            g_main_context_iteration(nullptr, TRUE);
        }
        GdkEvent* event = queue.events.front();
        queue.events.pop_front();
        // Messages of a destroyed window are gone with it.
        if (event->any.window != nullptr && gdk_window_is_destroyed(event->any.window)) {
            gdk_event_free(event);
            continue;
        }
        *message = Translate(event);
        UpdateKeyStateFromEvent(event);
        queue.taken.message = *message;
        queue.taken.event = event;
        queue.taken.dispatched = false;
        return true;
    }
}

// GTK translates keys into characters itself when it receives the key.
void TranslateMessage(const Message*) {}

std::intptr_t DispatchMessage(const Message* message) {
    if (message == nullptr) return 0;
    QueueState& queue = Queue();
    TakenMessage& taken = queue.taken;
    if (taken.event != nullptr && !taken.dispatched && SameMessage(*message, taken.message)) {
        taken.dispatched = true;
        GdkEvent* event = gdk_event_copy(taken.event);
        Dispatch dispatch{message->window, message->message, event, false};
        Dispatch* outer = queue.dispatch;
        queue.dispatch = &dispatch;
        std::intptr_t result = 0;
        if (FindNode(message->window) != nullptr) {
            result = CallNode(message->window, message->message, message->wParam, message->lParam);
        } else {
            // No window of a program's class: GTK's own windows (the opened
            // list of a combo box, for one) get the event directly.
            dispatch.delivered = true;
            gtk_main_do_event(event);
        }
        queue.dispatch = outer;
        gdk_event_free(event);
        return result;
    }
    return CallNode(message->window, message->message, message->wParam, message->lParam);
}

std::intptr_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (DeliverDispatchedEvent(window, message)) return 0;
    Node* node = FindNode(window);
    if (node == nullptr) return 0;
    switch (message) {
        case kMsgNcCreate: return 1;
        case kMsgClose: DestroyWindow(window); return 0;
        case kMsgSysCommand:
            if ((wParam & 0xFFF0) == kSysCommandClose) CallNode(window, kMsgClose, 0, 0);
            return 0;
        case kMsgSetText:
            node->text = lParam != 0 ? std::string(reinterpret_cast<const char*>(lParam)) : std::string();
            ApplyControlText(node);
            return 1;
        case kMsgGetText: {
            if (lParam == 0 || wParam == 0) return 0;
            const std::size_t room = static_cast<std::size_t>(wParam) - 1;
            const std::size_t length = node->text.size() < room ? node->text.size() : room;
            char* buffer = reinterpret_cast<char*>(lParam);
            std::memcpy(buffer, node->text.data(), length);
            buffer[length] = 0;
            return static_cast<std::intptr_t>(length);
        }
        case kMsgGetTextLength: return static_cast<std::intptr_t>(node->text.size());
        default: return 0;
    }
}

std::intptr_t CallWindowProc(WindowProc procedure, WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
    return procedure == nullptr ? 0 : procedure(window, message, wParam, lParam);
}

std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return CallNode(window, message, wParam, lParam);
}

std::int16_t GetKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    return Queue().keys[virtualKey];
}

}  // namespace platform
