// Dialog manners of the GTK toolkit driver, and the program's icon.
//
// A window with dialog manners is laid out from its texts rather than from
// pixels alone: the rectangles the caller asked for are stretched, the same
// factor for every control across and another down, until each control has
// room for what it shows at the desktop's font size and the title bar has
// room for the caption.  The factors never go below 1, so the layout the
// caller drew (who sits beside or under whom) stays, and a window whose texts
// already fit keeps exactly the asked sizes.

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/gtk/toolkit_internal.h"
#include "platform/toolkit.h"

// The build names where the icon's picture is installed and where it lies
// in the source tree.
#ifndef RODAZARO_INSTALLED_ICON
#define RODAZARO_INSTALLED_ICON ""
#endif
#ifndef RODAZARO_SOURCE_ICON
#define RODAZARO_SOURCE_ICON ""
#endif

namespace platform {

namespace gtk {

namespace {

constexpr const char* kIconName = "rodazaro";
// Where the icon's picture lies when no icon theme knows the name: installed
// beside the program, or in the source tree of an uninstalled build.
constexpr const char* kIconFiles[] = {RODAZARO_INSTALLED_ICON, RODAZARO_SOURCE_ICON};
constexpr int kIconSize = 128;

WindowHandle HandleFromData(gpointer data) { return reinterpret_cast<WindowHandle>(data); }

// The natural size of a control's widget, without the size the driver
// asked of it.
GtkRequisition NaturalSize(GtkWidget* widget) {
    int width = -1;
    int height = -1;
    gtk_widget_get_size_request(widget, &width, &height);
    gtk_widget_set_size_request(widget, -1, -1);
    GtkRequisition minimum{};
    GtkRequisition natural{};
    gtk_widget_get_preferred_size(widget, &minimum, &natural);
    gtk_widget_set_size_request(widget, width, height);
    return natural;
}

// The client width a title bar needs for the whole caption.  Window
// managers draw the caption in their own font, as a rule bold and a little
// larger than the desktop's text (Sans bold 16 px beside Sans 10 pt), with
// buttons and margins beside it; the caption is measured so, with room for
// three buttons as tall as a line of it.
int CaptionWidth(Node* top) {
    const std::string caption = ToUtf8(top->text.c_str());
    if (caption.empty()) return 0;
    PangoLayout* layout = gtk_widget_create_pango_layout(top->widget, caption.c_str());
    const PangoFontDescription* base = pango_context_get_font_description(pango_layout_get_context(layout));
    PangoFontDescription* font = base != nullptr ? pango_font_description_copy(base) : pango_font_description_new();
    const int size = pango_font_description_get_size(font);
    if (size > 0) {
        if (pango_font_description_get_size_is_absolute(font))
            pango_font_description_set_absolute_size(font, size * 1.2);
        else pango_font_description_set_size(font, size * 6 / 5);
    }
    pango_font_description_set_weight(font, PANGO_WEIGHT_BOLD);
    pango_layout_set_font_description(layout, font);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    pango_font_description_free(font);
    g_object_unref(layout);
    return width + 3 * height;
}

// `value` stretched by `factor`, rounded up: a stretched edge never falls
// short of a natural size that the factor was made to hold.
int Stretch(int value, double factor) { return static_cast<int>(std::ceil(value * factor - 1e-6)); }

// Escape asks the window to close as the close box does.  The opened list
// of a combo box is a window of its own and keeps Escape for itself.
gboolean OnDialogKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    const guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
    if (event->keyval != GDK_KEY_Escape || modifiers != 0) return FALSE;
    const WindowHandle handle = HandleFromData(data);
    Node* node = FindNode(handle);
    if (node == nullptr || node->dying) return FALSE;
    CallNode(handle, kMsgSysCommand, kSysCommandClose, 0);
    return TRUE;
}

GdkPixbuf* IconFromFiles() {
    static GdkPixbuf* icon = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        for (const char* file : kIconFiles) {
            if (icon == nullptr && file[0] != 0)
                icon = gdk_pixbuf_new_from_file_at_size(file, kIconSize, kIconSize, nullptr);
        }
    }
    return icon;
}

}  // namespace

void ApplyProgramIcon(GtkWindow* window) {
    GtkIconTheme* theme = gtk_icon_theme_get_default();
    if (theme != nullptr && gtk_icon_theme_has_icon(theme, kIconName)) {
        gtk_window_set_icon_name(window, kIconName);
    } else if (GdkPixbuf* icon = IconFromFiles()) {
        gtk_window_set_icon(window, icon);
    }
}

void FitDialogToText(Node* top) {
    if (top == nullptr || top->kind != NodeKind::TopLevel || !top->dialog || top->dying) return;
    double across = 1.0;
    double down = 1.0;
    for (WindowHandle handle : top->children) {
        Node* control = FindNode(handle);
        if (control == nullptr || control->dying) continue;
        const GtkRequisition natural = NaturalSize(control->widget);
        across = std::max(across, static_cast<double>(natural.width) / control->askedWidth);
        down = std::max(down, static_cast<double>(natural.height) / control->askedHeight);
    }
    // A caption longer than the screen is wide is cut in the title bar as
    // before; the window stays on the screen.
    int caption = CaptionWidth(top);
    const int screenWidth = GetScreenWidth();
    if (screenWidth > 0) caption = std::min(caption, screenWidth * 9 / 10);
    across = std::max(across, static_cast<double>(caption) / top->askedWidth);

    for (WindowHandle handle : top->children) {
        Node* control = FindNode(handle);
        if (control == nullptr || control->dying) continue;
        const int left = Stretch(control->askedX, across);
        const int right = Stretch(control->askedX + control->askedWidth, across);
        const int upper = Stretch(control->askedY, down);
        const int lower = Stretch(control->askedY + control->askedHeight, down);
        gtk_fixed_move(GTK_FIXED(top->client), control->widget, left, upper);
        gtk_widget_set_size_request(control->widget, right - left, lower - upper);
    }
    const int width = Stretch(top->askedWidth, across);
    const int height = Stretch(top->askedHeight, down);
    gtk_widget_set_size_request(top->client, width, height);
    GtkWindow* window = GTK_WINDOW(top->widget);
    if (gtk_window_get_resizable(window)) gtk_window_resize(window, width, height);
    // The window grows about its centre where the caller placed it.
    if (top->askedX != kUseDefaultPosition) {
        const int x = std::max(0, top->askedX - (width - top->askedWidth) / 2);
        const int y = std::max(0, top->askedY - (height - top->askedHeight) / 2);
        gtk_window_move(window, x, y);
    }
}

}  // namespace gtk

using namespace gtk;

void UseDialogManners(WindowHandle window, WindowHandle defaultButton) {
    Node* top = FindNode(window);
    if (top == nullptr || top->kind != NodeKind::TopLevel || top->dying) return;
    if (!top->dialog) {
        top->dialog = true;
        g_signal_connect(top->widget, "key-press-event", G_CALLBACK(OnDialogKey), reinterpret_cast<gpointer>(window));
    }
    Node* button = FindNode(defaultButton);
    if (button != nullptr && button->kind == NodeKind::Button && !button->dying && TopLevelOf(button) == top) {
        gtk_widget_set_can_default(button->widget, TRUE);
        gtk_window_set_default(GTK_WINDOW(top->widget), button->widget);
        gtk_widget_grab_focus(button->widget);
        // The focus is shown from the start, not only once a key was used:
        // the user sees what Enter will press.
        gtk_window_set_focus_visible(GTK_WINDOW(top->widget), TRUE);
    }
    FitDialogToText(top);
}

}  // namespace platform
