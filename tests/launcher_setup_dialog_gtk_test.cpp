// The real GTK setup dialog under an X display (Xvfb in CI): it opens with the model's defaults,
// and Launch, Quit, Escape and the close button end it with what they should. A timer plays the
// user. With NIGHTLOOM_SETUP_SCREENSHOT=file.png the first test also saves a picture of the screen.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "launcher/setup_dialog.h"
#include "support/setup_dialog_cases.h"

// Fontconfig keeps its caches until exit by design; they are not the dialog's leaks.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

using namespace setup_cases;

GtkWindow* findDialog() {
  GtkWindow* found = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item; item = item->next) {
    GtkWindow* window = GTK_WINDOW(item->data);
    const char* title = gtk_window_get_title(window);
    if (title && std::string(title) == "nightloom lumo 2.0" &&
        gtk_widget_get_visible(GTK_WIDGET(window))) {
      found = window;
    }
  }
  g_list_free(windows);
  return found;
}

void collectNamed(GtkWidget* widget, const char* name, GtkWidget** found) {
  if (*found) return;
  if (std::string(gtk_widget_get_name(widget)) == name) {
    *found = widget;
    return;
  }
  if (!GTK_IS_CONTAINER(widget)) return;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* item = children; item; item = item->next) {
    collectNamed(GTK_WIDGET(item->data), name, found);
  }
  g_list_free(children);
}

GtkWidget* child(GtkWindow* dialog, const char* name) {
  GtkWidget* found = nullptr;
  collectNamed(GTK_WIDGET(dialog), name, &found);
  return found;
}

int selectedRow(GtkWidget* list) {
  GtkListBoxRow* row = gtk_list_box_get_selected_row(GTK_LIST_BOX(list));
  return row ? gtk_list_box_row_get_index(row) : -1;
}

// A key press as the X server would deliver it: key bindings look at the hardware key code and the
// keyboard device, not only at the key value.
void sendKey(GtkWindow* dialog, guint keyval) {
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(dialog));
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(dialog))));
  event->key.keyval = keyval;
  event->key.time = GDK_CURRENT_TIME;
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys,
                                        &count) &&
      count > 0) {
    event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    event->key.group = static_cast<guint8>(keys[0].group);
  }
  g_free(keys);
  gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

// The named control that holds `widget` (a list's row, the combo box's field), or "".
std::string controlOf(GtkWidget* widget) {
  for (; widget; widget = gtk_widget_get_parent(widget)) {
    std::string name = gtk_widget_get_name(widget);
    if (name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos) return name;
  }
  return "";
}

void saveScreenshot(const char* path) {
  GdkWindow* root = gdk_get_default_root_window();
  GdkPixbuf* picture = gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root),
                                                  gdk_window_get_height(root));
  if (picture) {
    gdk_pixbuf_save(picture, path, "png", nullptr, nullptr);
    g_object_unref(picture);
  }
}

// Runs `act` on the dialog once it is on screen (after its first frames are drawn), then the dialog
// itself; a watchdog closes a dialog that `act` left open so that a failure cannot hang the test.
class SetupDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("NO_AT_BRIDGE", "1", 0);  // no accessibility bus on a test display
    if (!std::getenv("DISPLAY") || !openSetupToolkit()) {
      GTEST_SKIP() << "no X display: run under xvfb-run to test the setup dialog";
    }
  }

  int run(const SetupModel& model, LaunchSettings& settings, std::function<void(GtkWindow*)> act) {
    action = std::move(act);
    acted = false;
    watchdogFired = false;
    guint actor = g_timeout_add(300, &SetupDialogTest::onActor, this);
    guint watchdog = g_timeout_add(10000, &SetupDialogTest::onWatchdog, this);
    int result = runSetupDialog(model, settings);
    if (!watchdogFired) g_source_remove(watchdog);
    if (!acted) g_source_remove(actor);
    return result;
  }

  static gboolean onActor(gpointer data) {
    auto* self = static_cast<SetupDialogTest*>(data);
    GtkWindow* dialog = findDialog();
    if (!dialog) return G_SOURCE_CONTINUE;
    self->acted = true;
    self->action(dialog);
    return G_SOURCE_REMOVE;
  }

  static gboolean onWatchdog(gpointer data) {
    static_cast<SetupDialogTest*>(data)->watchdogFired = true;
    ADD_FAILURE() << "the dialog was still open after 10 s";
    if (GtkWindow* dialog = findDialog()) gtk_window_close(dialog);
    return G_SOURCE_REMOVE;
  }

  std::function<void(GtkWindow*)> action;
  bool acted = false;
  bool watchdogFired = false;
};

TEST_F(SetupDialogTest, OpensWithTheDefaultsAndLaunchStoresThem) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  LaunchSettings settings;
  int result = run(model, settings, [](GtkWindow* dialog) {
    EXPECT_FALSE(gtk_window_get_resizable(dialog));
    GtkWidget* combo = child(dialog, "resolution");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(combo)), 3);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo)))), "1920x1080");
    EXPECT_EQ(selectedRow(child(dialog, "aspect")), 0);
    EXPECT_EQ(selectedRow(child(dialog, "multisampling")), 0);
    for (const char* box : {"fullscreen", "vsync", "music"}) {
      EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(child(dialog, box)))) << box;
    }
    GtkWidget* launch = child(dialog, "launch");
    EXPECT_TRUE(gtk_widget_has_default(launch));
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(launch)), "Launch");
    if (const char* path = std::getenv("NIGHTLOOM_SETUP_SCREENSHOT")) saveScreenshot(path);
    gtk_button_clicked(GTK_BUTTON(launch));
  });
  expectDefaultsLaunched(result, settings);
}

TEST_F(SetupDialogTest, LaunchReadsWhatTheUserChanged) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  LaunchSettings settings;
  int result = run(model, settings, [](GtkWindow* dialog) {
    GtkWidget* aspect = child(dialog, "aspect");
    gtk_list_box_select_row(GTK_LIST_BOX(aspect),
                            gtk_list_box_get_row_at_index(GTK_LIST_BOX(aspect), 2));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(child(dialog, "fullscreen")), FALSE);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(child(dialog, "music")), FALSE);
    // Typing into the combo box drops its selection; the typed size picks the entry, and Enter in
    // the field presses Launch.
    GtkWidget* entry = gtk_bin_get_child(GTK_BIN(child(dialog, "resolution")));
    gtk_entry_set_text(GTK_ENTRY(entry), "1024x768");
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(child(dialog, "resolution"))), -1);
    gtk_widget_activate(entry);
  });
  expectChangesLaunched(result, settings);
}

// "nightloom --no-music --no-vsync --size 1024x768": the boxes and the resolution open as asked,
// and Launch with nothing touched keeps them.
TEST_F(SetupDialogTest, OpensWithTheCommandLinesPreset) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  model.setPreset(commandLinePreset());
  LaunchSettings settings;
  int result = run(model, settings, [](GtkWindow* dialog) {
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(child(dialog, "resolution"))), 1);
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(child(dialog, "fullscreen"))));
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(child(dialog, "vsync"))));
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(child(dialog, "music"))));
    gtk_button_clicked(GTK_BUTTON(child(dialog, "launch")));
  });
  expectPresetLaunched(result, settings);
}

TEST_F(SetupDialogTest, TabStopsOnceAtEachControlInTemplateOrder) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  LaunchSettings settings;
  run(model, settings, [](GtkWindow* dialog) {
    std::vector<std::string> forward = {controlOf(gtk_window_get_focus(dialog))};
    for (int step = 0; step < 8; ++step) {
      sendKey(dialog, GDK_KEY_Tab);
      forward.push_back(controlOf(gtk_window_get_focus(dialog)));
    }
    EXPECT_EQ(forward,
              (std::vector<std::string>{"launch", "quit", "resolution", "aspect", "multisampling",
                                        "fullscreen", "vsync", "music", "launch"}));
    sendKey(dialog, GDK_KEY_ISO_Left_Tab);
    EXPECT_EQ(controlOf(gtk_window_get_focus(dialog)), "music");
    gtk_button_clicked(GTK_BUTTON(child(dialog, "quit")));
  });
}

TEST_F(SetupDialogTest, QuitEscapeAndCloseEndWithMinusOneAndWriteNothing) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  const std::vector<std::function<void(GtkWindow*)>> endings = {
      [](GtkWindow* dialog) { gtk_button_clicked(GTK_BUTTON(child(dialog, "quit"))); },
      [](GtkWindow* dialog) { sendKey(dialog, GDK_KEY_Escape); },
      [](GtkWindow* dialog) { gtk_window_close(dialog); },
  };
  expectEachEndingQuits(endings, [&](LaunchSettings& settings, const auto& ending) {
    return run(model, settings, ending);
  });
}

TEST_F(SetupDialogTest, EnterPressesLaunchAndAnEmptyListDisablesIt) {
  SetupModel model(kModes, mode(2560, 1440), 0, 3);
  LaunchSettings settings;
  EXPECT_EQ(run(model, settings, [](GtkWindow* dialog) { sendKey(dialog, GDK_KEY_Return); }),
            kSetupResultLaunch);
  EXPECT_EQ(settings.width, 800);  // the desktop's size is not listed: the first entry

  SetupModel empty({}, mode(1920, 1080), 0, 3);
  LaunchSettings untouched;
  EXPECT_EQ(run(empty, untouched,
                [](GtkWindow* dialog) {
                  EXPECT_FALSE(gtk_widget_get_sensitive(child(dialog, "launch")));
                  sendKey(dialog, GDK_KEY_Return);  // nothing to launch: stays open
                  EXPECT_NE(findDialog(), nullptr);
                  gtk_button_clicked(GTK_BUTTON(child(dialog, "quit")));
                }),
            kSetupResultQuit);
  EXPECT_EQ(untouched.width, 0);
}

}  // namespace
