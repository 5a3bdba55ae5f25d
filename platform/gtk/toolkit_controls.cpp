// The two control classes of the toolkit: "BUTTON", a push button with a
// label (GtkButton), and "COMBOBOX", a drop-down list that cannot be edited
// and keeps its items in insertion order (GtkComboBoxText).  A control sits
// at its x, y, width and height in the client area of its window; a combo
// box's height counts its opened list, the closed part has the height of
// one line.

#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/gtk/toolkit_internal.h"
#include "platform/toolkit.h"

namespace platform::gtk {

namespace {

// Height of a closed drop-down list, the same for every combo box: one line
// of the controls' font.
constexpr int kComboBoxClosedHeight = 20;

// USER32 controls take the rectangle they are given, whatever the theme's
// minimum sizes; this keeps padding and minimum heights of the driver's
// controls small enough for a 20-pixel line.  The stock GUI font is a
// compact sans-serif one.
constexpr const char* kControlStyles =
    ".rodazaro-control, .rodazaro-control * {"
    "  min-height: 0; min-width: 0; margin: 0; }"
    "button.rodazaro-control {"
    "  padding: 0 4px; }"
    "combobox.rodazaro-control button {"
    "  padding: 0 2px 0 4px; }"
    "combobox.rodazaro-control arrow {"
    "  min-width: 12px; min-height: 12px; -gtk-icon-transform: scale(0.75); }"
    "combobox.rodazaro-control {"
    "  -GtkComboBox-appears-as-list: 1; }"
    ".rodazaro-gui-font, .rodazaro-gui-font * {"
    "  font-family: \"DejaVu Sans\", Sans; font-size: 8pt; font-weight: normal; }";

WindowHandle HandleFromData(gpointer data) { return reinterpret_cast<WindowHandle>(data); }
gpointer DataFromHandle(WindowHandle handle) { return reinterpret_cast<gpointer>(handle); }

// "&Run" shows an underlined R: GTK's mnemonic mark is '_'.
std::string MnemonicLabel(const char* text) {
    const std::string utf8 = ToUtf8(text);
    std::string label;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '&') {
            if (i + 1 < utf8.size() && utf8[i + 1] == '&') {
                label.push_back('&');
                ++i;
            } else if (i + 1 < utf8.size()) {
                label.push_back('_');
            }
        } else if (c == '_') {
            label += "__";
        } else {
            label.push_back(c);
        }
    }
    return label;
}

void OnButtonClicked(GtkButton*, gpointer data) { NotifyParent(HandleFromData(data), kButtonClicked); }

void OnComboChanged(GtkComboBox*, gpointer data) {
    Node* node = FindNode(HandleFromData(data));
    if (node == nullptr || node->quiet > 0) return;
    NotifyParent(node->handle, kComboBoxSelChange);
}

void OnComboPopupShown(GObject* object, GParamSpec*, gpointer data) {
    gboolean shown = FALSE;
    g_object_get(object, "popup-shown", &shown, nullptr);
    NotifyParent(HandleFromData(data), shown ? kComboBoxDropDown : kComboBoxCloseUp);
}

void ApplyFont(Node* node, FontHandle font) {
    node->font = font;
    GtkStyleContext* context = gtk_widget_get_style_context(node->widget);
    if (font == kStockGuiFont) gtk_style_context_add_class(context, "rodazaro-gui-font");
    else gtk_style_context_remove_class(context, "rodazaro-gui-font");
    FitDialogToText(TopLevelOf(node));
}

int ItemCount(const Node* node) { return static_cast<int>(node->items.size()); }

// An index in a message's wParam: a signed 32-bit value.
int IndexOf(std::uintptr_t wParam) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam)); }

unsigned char FoldCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c - 'A' + 'a');
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
    return c;
}

bool SameTextIgnoringCase(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

std::intptr_t InsertItem(Node* node, int index, const char* text) {
    const int count = ItemCount(node);
    if (index == -1) index = count;
    if (index < 0 || index > count) return kComboBoxError;
    node->items.insert(node->items.begin() + index, std::string(text == nullptr ? "" : text));
    ++node->quiet;
    gtk_combo_box_text_insert_text(GTK_COMBO_BOX_TEXT(node->widget), index, ToUtf8(text).c_str());
    --node->quiet;
    FitDialogToText(TopLevelOf(node));
    return index;
}

std::intptr_t SetSelection(Node* node, int index) {
    const bool valid = index >= 0 && index < ItemCount(node);
    ++node->quiet;
    gtk_combo_box_set_active(GTK_COMBO_BOX(node->widget), valid ? index : -1);
    --node->quiet;
    return valid ? index : kComboBoxError;
}

std::intptr_t FindExact(const Node* node, int start, const char* text) {
    const int count = ItemCount(node);
    if (text == nullptr || count == 0) return kComboBoxError;
    if (start < -1 || start >= count) start = -1;
    for (int step = 1; step <= count; ++step) {
        const int index = (start + step) % count;
        if (SameTextIgnoringCase(node->items[static_cast<std::size_t>(index)], text)) return index;
    }
    return kComboBoxError;
}

}  // namespace

void InstallControlStyles() {
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kControlStyles, -1, nullptr);
    GdkScreen* screen = gdk_screen_get_default();
    if (screen != nullptr) {
        gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                                  GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    g_object_unref(provider);
}

WindowHandle CreateControl(NodeKind kind, const char* text, std::uint32_t style, std::uint32_t exStyle, int x, int y,
                           int width, int height, Node* parent, std::intptr_t id) {
    auto* node = new Node();
    node->handle = NewHandle();
    node->kind = kind;
    node->parent = parent->handle;
    node->id = id;
    node->style = style;
    node->exStyle = exStyle;
    node->text = text == nullptr ? std::string() : std::string(text);
    GtkWidget* widget = nullptr;
    int shownHeight = height;
    if (kind == NodeKind::Button) {
        node->className = "BUTTON";
        node->procedure = ButtonProcedure;
        widget = gtk_button_new_with_mnemonic(MnemonicLabel(text).c_str());
    } else {
        node->className = "COMBOBOX";
        node->procedure = ComboBoxProcedure;
        widget = gtk_combo_box_text_new();
        // An empty list takes the focus and opens like any other.
        gtk_combo_box_set_button_sensitivity(GTK_COMBO_BOX(widget), GTK_SENSITIVITY_ON);
        shownHeight = kComboBoxClosedHeight;
    }
    node->widget = widget;
    node->askedX = x;
    node->askedY = y;
    node->askedWidth = std::max(width, 1);
    node->askedHeight = std::max(shownHeight, 1);
    gtk_style_context_add_class(gtk_widget_get_style_context(widget), "rodazaro-control");
    gtk_widget_set_size_request(widget, node->askedWidth, node->askedHeight);
    gtk_widget_set_sensitive(widget, (style & kStyleDisabled) == 0 ? TRUE : FALSE);
    g_object_set_data(G_OBJECT(widget), kNodeKey, DataFromHandle(node->handle));
    gtk_fixed_put(GTK_FIXED(parent->client), widget, x, y);

    const WindowHandle handle = node->handle;
    AddNode(node);
    parent->children.push_back(handle);
    gpointer data = DataFromHandle(handle);
    if (kind == NodeKind::Button) {
        g_signal_connect(widget, "clicked", G_CALLBACK(OnButtonClicked), data);
    } else {
        g_signal_connect(widget, "changed", G_CALLBACK(OnComboChanged), data);
        g_signal_connect(widget, "notify::popup-shown", G_CALLBACK(OnComboPopupShown), data);
    }
    if ((style & kStyleVisible) != 0) gtk_widget_show(widget);
    return handle;
}

void DisconnectNode(Node* node) {
    if (node->widget == nullptr) return;
    g_signal_handlers_disconnect_matched(node->widget, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                         DataFromHandle(node->handle));
    g_object_set_data(G_OBJECT(node->widget), kNodeKey, nullptr);
}

void ApplyControlText(Node* node) {
    switch (node->kind) {
        case NodeKind::TopLevel:
            gtk_window_set_title(GTK_WINDOW(node->widget), ToUtf8(node->text.c_str()).c_str());
            break;
        case NodeKind::Button:
            gtk_button_set_label(GTK_BUTTON(node->widget), MnemonicLabel(node->text.c_str()).c_str());
            gtk_button_set_use_underline(GTK_BUTTON(node->widget), TRUE);
            break;
        case NodeKind::ComboBox: break;  // a drop-down list shows its selected item
    }
    FitDialogToText(TopLevelOf(node));
}

std::intptr_t ButtonProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    Node* node = FindNode(window);
    if (node == nullptr) return 0;
    switch (message) {
        case kButtonGetCheck:
        case kButtonSetCheck: return 0;  // a push button has no check state
        case kButtonClick:
            if (gtk_widget_is_sensitive(node->widget)) gtk_button_clicked(GTK_BUTTON(node->widget));
            return 0;
        case kMsgSetFont: ApplyFont(node, static_cast<FontHandle>(wParam)); return 0;
        case kMsgGetFont: return static_cast<std::intptr_t>(node->font);
        default: return DefWindowProc(window, message, wParam, lParam);
    }
}

std::intptr_t ComboBoxProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    Node* node = FindNode(window);
    if (node == nullptr) return 0;
    switch (message) {
        case kComboBoxAddString: return InsertItem(node, -1, reinterpret_cast<const char*>(lParam));
        case kComboBoxInsertString: return InsertItem(node, IndexOf(wParam), reinterpret_cast<const char*>(lParam));
        case kComboBoxDeleteString: {
            const int index = IndexOf(wParam);
            if (index < 0 || index >= ItemCount(node)) return kComboBoxError;
            node->items.erase(node->items.begin() + index);
            ++node->quiet;
            gtk_combo_box_text_remove(GTK_COMBO_BOX_TEXT(node->widget), index);
            --node->quiet;
            FitDialogToText(TopLevelOf(node));
            return ItemCount(node);
        }
        case kComboBoxResetContent:
            node->items.clear();
            ++node->quiet;
            gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(node->widget));
            --node->quiet;
            FitDialogToText(TopLevelOf(node));
            return 0;
        case kComboBoxGetCount: return ItemCount(node);
        case kComboBoxGetCurSel: return gtk_combo_box_get_active(GTK_COMBO_BOX(node->widget));
        case kComboBoxSetCurSel: return SetSelection(node, IndexOf(wParam));
        case kComboBoxGetLbTextLen: {
            const int index = IndexOf(wParam);
            if (index < 0 || index >= ItemCount(node)) return kComboBoxError;
            return static_cast<std::intptr_t>(node->items[static_cast<std::size_t>(index)].size());
        }
        case kComboBoxGetLbText: {
            const int index = IndexOf(wParam);
            if (index < 0 || index >= ItemCount(node) || lParam == 0) return kComboBoxError;
            const std::string& item = node->items[static_cast<std::size_t>(index)];
            char* buffer = reinterpret_cast<char*>(lParam);
            std::memcpy(buffer, item.c_str(), item.size() + 1);
            return static_cast<std::intptr_t>(item.size());
        }
        case kComboBoxFindStringExact: return FindExact(node, IndexOf(wParam), reinterpret_cast<const char*>(lParam));
        case kComboBoxShowDropDown:
            if (wParam != 0) gtk_combo_box_popup(GTK_COMBO_BOX(node->widget));
            else gtk_combo_box_popdown(GTK_COMBO_BOX(node->widget));
            return 1;
        case kComboBoxGetDroppedState: {
            gboolean shown = FALSE;
            g_object_get(G_OBJECT(node->widget), "popup-shown", &shown, nullptr);
            return shown ? 1 : 0;
        }
        case kMsgSetFont: ApplyFont(node, static_cast<FontHandle>(wParam)); return 0;
        case kMsgGetFont: return static_cast<std::intptr_t>(node->font);
        case kMsgSetFocus:
            NotifyParent(window, kComboBoxSetFocus);
            return DefWindowProc(window, message, wParam, lParam);
        case kMsgKillFocus:
            NotifyParent(window, kComboBoxKillFocus);
            return DefWindowProc(window, message, wParam, lParam);
        default: return DefWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace platform::gtk
