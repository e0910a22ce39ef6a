// The setup dialog in GTK 3: the 417 x 87 dialog-unit layout of the Windows template, scaled by the
// font's dialog units, on a fixed-size, centred window kept above the others. The SetupModel
// decides what the lists hold and what Launch stores; this file only shows it and reads it back.
//   [x] template 101's controls, labels, positions (in dialog units) and tab order
//   [x] results 1004 (Launch) and -1 (Quit, Escape, closing)   [x] command-line presets
//   [x] resolution typed into the combo box's field   [x] Launch disabled without any mode
//   [ ] multisampling choices beyond "None" (the show asks for no samples)
#include <gtk/gtk.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "launcher/setup_dialog.h"

namespace {

constexpr const char* kCaption = "nightloom lumo 2.0";

// The template's dialog units: x, y, width, height.
struct DluRect {
  int x, y, width, height;
};
constexpr int kDialogWidthDlu = 417;
constexpr int kDialogHeightDlu = 87;

// Adwaita's roomy paddings would not fit controls 10 to 14 dialog units high; these bring the
// widgets close to the density of the Win32 dialog made from the same template. The theme draws no
// mark on the default button, so it gets the selection colour as its border, as Enter presses it.
constexpr const char* kCompactStyle = R"css(
#nightloom-setup button { padding: 0 6px; min-height: 0; }
#nightloom-setup entry { padding: 0 4px; min-height: 0; }
#nightloom-setup combobox button { padding: 0 4px; }
#nightloom-setup list row { padding: 0 4px; min-height: 0; }
#nightloom-setup checkbutton { padding: 0; }
#nightloom-setup frame > label { margin: 0 2px; }
#nightloom-setup button.default { border-color: @theme_selected_bg_color; }
)css";

// Converts dialog units to pixels from the font, as Windows does: a horizontal unit is a quarter of
// the average character width, a vertical unit an eighth of the character height.
struct DialogUnits {
  double perX = 1.5;
  double perY = 1.625;

  int x(int dlu) const { return static_cast<int>(std::lround(dlu * perX)); }
  int y(int dlu) const { return static_cast<int>(std::lround(dlu * perY)); }
};

DialogUnits measureDialogUnits(GtkWidget* widget) {
  PangoLayout* layout = gtk_widget_create_pango_layout(
      widget, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  DialogUnits units;
  if (width > 0 && height > 0) {
    double averageWidth = std::floor((width / 26.0 + 1.0) / 2.0);
    units.perX = averageWidth / 4.0;
    units.perY = height / 8.0;
  }
  return units;
}

struct DialogView {
  const SetupModel* model = nullptr;
  LaunchSettings* settings = nullptr;
  GMainLoop* loop = nullptr;
  int result = kSetupResultQuit;

  GtkWidget* window = nullptr;
  GtkWidget* layout = nullptr;
  GtkWidget* launch = nullptr;
  GtkWidget* quit = nullptr;
  GtkWidget* resolution = nullptr;
  GtkWidget* aspect = nullptr;
  GtkWidget* multisampling = nullptr;
  GtkWidget* fullscreen = nullptr;
  GtkWidget* vsync = nullptr;
  GtkWidget* music = nullptr;
  DialogUnits units;
};

void place(DialogView& view, GtkWidget* widget, DluRect rect) {
  gtk_widget_set_size_request(widget, view.units.x(rect.width), view.units.y(rect.height));
  gtk_fixed_put(GTK_FIXED(view.layout), widget, view.units.x(rect.x), view.units.y(rect.y));
}

void addGroup(DialogView& view, const char* title, DluRect rect) {
  place(view, gtk_frame_new(title), rect);
}

GtkWidget* addButton(DialogView& view, const char* name, const char* label, DluRect rect) {
  GtkWidget* button = gtk_button_new_with_label(label);
  gtk_widget_set_name(button, name);
  place(view, button, rect);
  return button;
}

GtkWidget* addCheckBox(DialogView& view, const char* name, const char* label, DluRect rect) {
  GtkWidget* box = gtk_check_button_new_with_label(label);
  gtk_widget_set_name(box, name);
  place(view, box, rect);
  return box;
}

// A list box in a framed, scrolling area, like the template's bordered LBS list.
GtkWidget* addList(DialogView& view, const char* name, const std::vector<std::string>& labels,
                   DluRect rect) {
  GtkWidget* list = gtk_list_box_new();
  gtk_widget_set_name(list, name);
  gtk_list_box_set_selection_mode(GTK_LIST_BOX(list), GTK_SELECTION_SINGLE);
  // A single click only selects; activating a row (double click, Enter) is not a command here.
  gtk_list_box_set_activate_on_single_click(GTK_LIST_BOX(list), FALSE);
  for (const std::string& text : labels) {
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_container_add(GTK_CONTAINER(list), label);
  }
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(scroller), list);
  place(view, scroller, rect);
  return list;
}

// Tab selects the whole field on the way in; drop that selection on the way out so that the field
// does not look active while another control has the focus.
gboolean onFieldFocusOut(GtkWidget* entry, GdkEvent*, gpointer) {
  gtk_editable_select_region(GTK_EDITABLE(entry), -1, -1);
  return FALSE;
}

GtkWidget* addResolutionCombo(DialogView& view, DluRect rect) {
  GtkWidget* combo = gtk_combo_box_text_new_with_entry();
  gtk_widget_set_name(combo, "resolution");
  for (const std::string& label : view.model->resolutionLabels()) {
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), label.c_str());
  }
  GtkWidget* entry = gtk_bin_get_child(GTK_BIN(combo));
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  g_signal_connect(entry, "focus-out-event", G_CALLBACK(onFieldFocusOut), nullptr);
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);  // the placement decides the width
  // The template's height includes the drop-down list; the closed control is one line high.
  place(view, combo, {rect.x, rect.y, rect.width, 12});
  return combo;
}

void selectRow(GtkWidget* list, int index) {
  GtkListBoxRow* row = gtk_list_box_get_row_at_index(GTK_LIST_BOX(list), index);
  if (row) gtk_list_box_select_row(GTK_LIST_BOX(list), row);
}

int selectedRow(GtkWidget* list) {
  GtkListBoxRow* row = gtk_list_box_get_selected_row(GTK_LIST_BOX(list));
  return row ? gtk_list_box_row_get_index(row) : -1;
}

bool isChecked(GtkWidget* box) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)); }

void showControls(DialogView& view, const SetupControls& controls) {
  gtk_combo_box_set_active(GTK_COMBO_BOX(view.resolution), controls.resolutionIndex);
  if (controls.resolutionIndex < 0) {
    GtkWidget* entry = gtk_bin_get_child(GTK_BIN(view.resolution));
    gtk_entry_set_text(GTK_ENTRY(entry), controls.resolutionText.c_str());
  }
  selectRow(view.aspect, controls.aspectIndex);
  selectRow(view.multisampling, controls.multisamplingIndex);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(view.fullscreen), controls.fullscreen);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(view.vsync), controls.vsync);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(view.music), controls.music);
}

SetupControls readControls(const DialogView& view) {
  SetupControls controls;
  controls.resolutionIndex = gtk_combo_box_get_active(GTK_COMBO_BOX(view.resolution));
  GtkWidget* entry = gtk_bin_get_child(GTK_BIN(view.resolution));
  controls.resolutionText = gtk_entry_get_text(GTK_ENTRY(entry));
  controls.aspectIndex = selectedRow(view.aspect);
  controls.multisamplingIndex = selectedRow(view.multisampling);
  controls.fullscreen = isChecked(view.fullscreen);
  controls.vsync = isChecked(view.vsync);
  controls.music = isChecked(view.music);
  return controls;
}

void endDialog(DialogView& view, int result) {
  view.result = result;
  g_main_loop_quit(view.loop);
}

void runCommand(DialogView& view, int commandId) {
  const std::optional<int> result = view.model->command(
      commandId, [&view] { return readControls(view); }, *view.settings);
  if (result) endDialog(view, *result);
}

void onLaunchClicked(GtkButton*, gpointer data) {
  runCommand(*static_cast<DialogView*>(data), kSetupLaunchId);
}

void onQuitClicked(GtkButton*, gpointer data) {
  runCommand(*static_cast<DialogView*>(data), kSetupQuitId);
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
  runCommand(*static_cast<DialogView*>(data), kSetupQuitId);
  return TRUE;  // the dialog is destroyed by its runner, not by the close button
}

// The controls in template order. Tab steps through them one stop each, as in the Win32 dialog:
// GTK's own order would stop at every list row and at the combo box's arrow as well.
std::vector<GtkWidget*> tabOrder(const DialogView& view) {
  return {view.launch,        view.quit,       view.resolution, view.aspect,
          view.multisampling, view.fullscreen, view.vsync,      view.music};
}

int tabIndexOf(const DialogView& view, GtkWidget* widget) {
  const std::vector<GtkWidget*> order = tabOrder(view);
  for (; widget; widget = gtk_widget_get_parent(widget)) {
    for (size_t i = 0; i < order.size(); ++i) {
      if (order[i] == widget) return static_cast<int>(i);
    }
  }
  return -1;
}

// A list takes the focus on its selected row, the combo box in its edit field.
void focusControl(GtkWidget* control) {
  if (GTK_IS_COMBO_BOX(control)) {
    gtk_widget_grab_focus(gtk_bin_get_child(GTK_BIN(control)));
  } else if (GTK_IS_LIST_BOX(control)) {
    GtkListBoxRow* row = gtk_list_box_get_selected_row(GTK_LIST_BOX(control));
    if (!row) row = gtk_list_box_get_row_at_index(GTK_LIST_BOX(control), 0);
    if (row) gtk_widget_grab_focus(GTK_WIDGET(row));
  } else {
    gtk_widget_grab_focus(control);
  }
}

void moveFocus(DialogView& view, int step) {
  const std::vector<GtkWidget*> order = tabOrder(view);
  const int count = static_cast<int>(order.size());
  int index = tabIndexOf(view, gtk_window_get_focus(GTK_WINDOW(view.window)));
  if (index < 0) index = step > 0 ? -1 : 0;
  for (int tries = 0; tries < count; ++tries) {
    index = (index + step + count) % count;
    if (gtk_widget_is_sensitive(order[index])) {
      focusControl(order[index]);
      return;
    }
  }
}

// Escape cancels; Tab follows the template; Enter presses Launch unless the focus is on a push
// button, which Enter presses itself, as in the Win32 dialog.
gboolean onKeyPress(GtkWidget* window, GdkEventKey* event, gpointer data) {
  DialogView& view = *static_cast<DialogView*>(data);
  switch (event->keyval) {
    case GDK_KEY_Escape:
      runCommand(view, kSetupCancelId);
      return TRUE;
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
      moveFocus(view, (event->state & GDK_SHIFT_MASK) ? -1 : 1);
      return TRUE;
    case GDK_KEY_ISO_Left_Tab:
      moveFocus(view, -1);
      return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: {
      GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
      if (focus == view.launch || focus == view.quit) return FALSE;
      gtk_window_activate_default(GTK_WINDOW(window));
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void installCompactStyle() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, kCompactStyle, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

void buildWindow(DialogView& view) {
  view.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(view.window);
  gtk_widget_set_name(view.window, "nightloom-setup");
  gtk_window_set_title(window, kCaption);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(window, TRUE);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_skip_taskbar_hint(window, TRUE);
  view.units = measureDialogUnits(view.window);
  view.layout = gtk_fixed_new();
  gtk_widget_set_size_request(view.layout, view.units.x(kDialogWidthDlu),
                              view.units.y(kDialogHeightDlu));
  gtk_container_add(GTK_CONTAINER(view.window), view.layout);
}

// Group boxes go in first so that the controls inside them are drawn over their frames.
void buildControls(DialogView& view) {
  addGroup(view, "Resolution", {7, 7, 108, 72});
  addGroup(view, "Aspect Ratio", {124, 7, 68, 72});
  addGroup(view, "Multisampling", {200, 7, 67, 72});
  addGroup(view, "Other options", {276, 7, 73, 72});
  view.launch = addButton(view, "launch", "Launch", {360, 23, 50, 14});
  view.quit = addButton(view, "quit", "Quit", {360, 47, 50, 14});
  view.resolution = addResolutionCombo(view, {14, 20, 96, 52});
  view.aspect = addList(view, "aspect", view.model->aspectLabels(), {131, 21, 55, 51});
  view.multisampling =
      addList(view, "multisampling", view.model->multisamplingLabels(), {206, 22, 55, 50});
  view.fullscreen = addCheckBox(view, "fullscreen", "Fullscreen", {283, 23, 48, 10});
  view.vsync = addCheckBox(view, "vsync", "VSync", {283, 36, 35, 10});
  view.music = addCheckBox(view, "music", "Music", {283, 50, 33, 10});
}

void connectSignals(DialogView& view) {
  g_signal_connect(view.launch, "clicked", G_CALLBACK(onLaunchClicked), &view);
  g_signal_connect(view.quit, "clicked", G_CALLBACK(onQuitClicked), &view);
  g_signal_connect(view.window, "delete-event", G_CALLBACK(onDelete), &view);
  g_signal_connect(view.window, "key-press-event", G_CALLBACK(onKeyPress), &view);
}

void makeLaunchDefault(DialogView& view) {
  gtk_widget_set_can_default(view.launch, TRUE);
  gtk_window_set_default(GTK_WINDOW(view.window), view.launch);
  gtk_widget_set_sensitive(view.launch, view.model->canLaunch());
  // The first control that takes the focus, as in the Win32 dialog; Quit when Launch can't.
  gtk_window_set_focus(GTK_WINDOW(view.window), view.model->canLaunch() ? view.launch : view.quit);
}

void dropPendingEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

}  // namespace

bool openSetupToolkit() {
  // The show formats and parses numbers itself; GTK must not switch the C locale under it.
  static bool localeKept = false;
  if (!localeKept) {
    gtk_disable_setlocale();
    localeKept = true;
  }
  return gtk_init_check(nullptr, nullptr);
}

int runSetupDialog(const SetupModel& model, LaunchSettings& settings) {
  if (!openSetupToolkit()) {
    std::fprintf(stderr, "nightloom: error: the setup dialog cannot open a display\n");
    return kSetupResultQuit;
  }
  installCompactStyle();
  DialogView view;
  view.model = &model;
  view.settings = &settings;
  view.loop = g_main_loop_new(nullptr, FALSE);
  buildWindow(view);
  buildControls(view);
  showControls(view, model.initialControls());
  connectSignals(view);
  makeLaunchDefault(view);
  gtk_widget_show_all(view.window);
  g_main_loop_run(view.loop);
  gtk_widget_destroy(view.window);
  g_main_loop_unref(view.loop);
  dropPendingEvents();  // lets the window disappear before the show's own window opens
  return view.result;
}
