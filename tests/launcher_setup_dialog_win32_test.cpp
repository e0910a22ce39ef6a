// The real Win32 setup dialog from template 101 (under Wine with Xvfb in CI): every control the
// template holds shown where it puts it and tabbed in its order, the model's defaults and presets
// in the controls, and Launch, Enter, Quit, Escape and closing ending it with 1004 or -1. A second
// thread plays the user with the messages a user's clicks and keys produce while the dialog runs
// its modal loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "launcher/setup_dialog.h"
#include "support/setup_dialog_cases.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kCaption = "nightloom lumo 2.0";

using namespace setup_cases;

// The dialog once it is shown, which DialogBoxParam does after WM_INITDIALOG has filled it.
HWND findDialog() {
  HWND dialog = FindWindowA("#32770", kCaption);
  return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
}

HWND item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

LRESULT send(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

std::string textOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string classOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

bool checked(HWND dialog, int id) { return send(dialog, id, BM_GETCHECK) == BST_CHECKED; }

void click(HWND dialog, int id) { send(dialog, id, BM_CLICK); }

// A key as the dialog's modal loop receives it from the keyboard.
void pressKey(HWND dialog, WPARAM key) {
  PostMessageA(dialog, WM_KEYDOWN, key, 1);
  PostMessageA(dialog, WM_KEYUP, key, 0xC0000001);
}

// Runs `act` on the dialog once it is up, from a second thread, while this thread runs the dialog;
// a dialog that `act` left open is closed after 10 s so that a failure cannot hang the test.
int run(const SetupModel& model, LaunchSettings& settings, const std::function<void(HWND)>& act) {
  std::atomic<bool> ended{false};
  std::thread user([&] {
    HWND dialog = nullptr;
    for (auto waited = 0ms; !dialog && !ended && waited < 10s; waited += 20ms) {
      std::this_thread::sleep_for(20ms);
      dialog = findDialog();
    }
    if (!dialog) {
      ADD_FAILURE() << "the dialog did not appear";
      return;
    }
    act(dialog);
    for (auto waited = 0ms; !ended && waited < 10s; waited += 20ms)
      std::this_thread::sleep_for(20ms);
    if (!ended) {
      ADD_FAILURE() << "the dialog was still open after 10 s";
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
  });
  const int result = runSetupDialog(model, settings);
  ended = true;
  user.join();
  return result;
}

// One control of the template as the resource holds it.
struct TemplateItem {
  int id;
  std::string className;
  std::string text;
  RECT units;  // x, y, width, height in dialog units
  DWORD style;
};

// The extended dialog template of resource 101 (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items).
struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT units = {};
  std::string caption;
  int fontPoints = 0;
  int fontWeight = 0;
  int fontCharset = 0;
  std::string fontName;
  std::vector<TemplateItem> items;
};

class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* bytes) : at(bytes) {}
  template <typename T>
  T take() {
    T value;
    std::memcpy(&value, at, sizeof value);
    at += sizeof value;
    return value;
  }
  // A name or an ordinal; ordinals of the predefined classes come back as their names.
  std::string nameOrOrdinal() {
    const WORD first = take<WORD>();
    if (first == 0xFFFF) {
      switch (take<WORD>()) {
        case 0x0080:
          return "Button";
        case 0x0083:
          return "ListBox";
        case 0x0085:
          return "ComboBox";
        default:
          return "#ordinal";
      }
    }
    std::string text;
    for (WORD c = first; c != 0; c = take<WORD>()) text += static_cast<char>(c);
    return text;
  }
  void alignToDword() {
    while (reinterpret_cast<uintptr_t>(at) % 4) ++at;
  }
  RECT rect() {
    const short x = take<short>(), y = take<short>(), cx = take<short>(), cy = take<short>();
    return {x, y, cx, cy};
  }

 private:
  const BYTE* at;
};

DialogTemplate readTemplate101() {
  DialogTemplate result;
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (!resource) return result;
  TemplateReader in(static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource))));
  if (in.take<WORD>() != 1 || in.take<WORD>() != 0xFFFF) return result;  // not extended
  in.take<DWORD>();                                                      // help id
  result.exStyle = in.take<DWORD>();
  result.style = in.take<DWORD>();
  const WORD count = in.take<WORD>();
  result.units = in.rect();
  in.nameOrOrdinal();  // menu
  in.nameOrOrdinal();  // class
  result.caption = in.nameOrOrdinal();
  result.fontPoints = in.take<WORD>();
  result.fontWeight = in.take<WORD>();
  in.take<BYTE>();  // italic
  result.fontCharset = in.take<BYTE>();
  result.fontName = in.nameOrOrdinal();
  for (WORD i = 0; i < count; ++i) {
    in.alignToDword();
    TemplateItem item;
    in.take<DWORD>();  // help id
    in.take<DWORD>();  // extended style
    item.style = in.take<DWORD>();
    item.units = in.rect();
    item.id = static_cast<int>(in.take<DWORD>());
    item.className = in.nameOrOrdinal();
    item.text = in.nameOrOrdinal();
    const WORD extra = in.take<WORD>();
    for (WORD b = 0; b < extra; ++b) in.take<BYTE>();
    result.items.push_back(item);
  }
  return result;
}

// x, y, width and height in pixels: the control's place in the dialog's client area.
RECT placeOf(HWND dialog, HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// The dialog manager converts a control's position and its size separately.
RECT pixelsOf(HWND dialog, const RECT& units) {
  RECT position = {units.left, units.top, 0, 0};
  RECT size = {0, 0, units.right, units.bottom};
  MapDialogRect(dialog, &position);
  MapDialogRect(dialog, &size);
  return {position.left, position.top, size.right, size.bottom};
}

TEST(SetupDialogWin32, ShowsTheTemplatesControlsInPlaceAndTabsInItsOrder) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  LaunchSettings settings;
  run(model, settings, [](HWND dialog) {
    EXPECT_EQ(textOf(dialog), kCaption);
    RECT client;
    GetClientRect(dialog, &client);
    const RECT size = pixelsOf(dialog, {0, 0, 417, 87});
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    // Every control the template holds, where the template puts it; its group boxes have no id.
    const DialogTemplate made = readTemplate101();
    ASSERT_EQ(made.caption, kCaption);
    std::vector<int> tabStops;
    for (const TemplateItem& want : made.items) {
      if (static_cast<int16_t>(want.id) < 0) continue;
      tabStops.push_back(want.id);
      HWND control = item(dialog, want.id);
      ASSERT_NE(control, nullptr) << want.id;
      // Window class names are case-blind; windres writes these in capitals.
      EXPECT_EQ(_stricmp(classOf(control).c_str(), want.className.c_str()), 0) << want.id;
      const RECT expected = pixelsOf(dialog, want.units);
      const RECT actual = placeOf(dialog, control);
      EXPECT_EQ(actual.left, expected.left) << want.id;
      EXPECT_EQ(actual.top, expected.top) << want.id;
      EXPECT_EQ(actual.right, expected.right) << want.id;
      // The combo box's template height includes its drop-down list; the closed box is shorter.
      if (want.id != kSetupResolutionId) {
        EXPECT_EQ(actual.bottom, expected.bottom) << want.id;
      }
    }
    // Tab walks the controls in template order and comes back round to Launch.
    HWND at = item(dialog, kSetupLaunchId);
    for (size_t i = 1; i <= tabStops.size(); ++i) {
      at = GetNextDlgTabItem(dialog, at, FALSE);
      EXPECT_EQ(GetDlgCtrlID(at), tabStops[i % tabStops.size()]) << "tab stop " << i;
    }
    click(dialog, kSetupQuitId);
  });
}

TEST(SetupDialogWin32, OpensWithTheDefaultsAndLaunchStoresThem) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  LaunchSettings settings;
  const int result = run(model, settings, [](HWND dialog) {
    EXPECT_EQ(send(dialog, kSetupResolutionId, CB_GETCOUNT), 4);
    EXPECT_EQ(send(dialog, kSetupResolutionId, CB_GETCURSEL), 3);
    EXPECT_EQ(textOf(item(dialog, kSetupResolutionId)), "1920x1080");
    EXPECT_EQ(send(dialog, kSetupAspectId, LB_GETCOUNT), 5);
    EXPECT_EQ(send(dialog, kSetupAspectId, LB_GETCURSEL), 0);
    EXPECT_EQ(send(dialog, kSetupMultisamplingId, LB_GETCOUNT), 1);
    EXPECT_EQ(send(dialog, kSetupMultisamplingId, LB_GETCURSEL), 0);
    for (int box : {kSetupFullscreenId, kSetupVSyncId, kSetupMusicId}) {
      EXPECT_TRUE(checked(dialog, box)) << box;
    }
    EXPECT_EQ(LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)), kSetupLaunchId);
    click(dialog, kSetupLaunchId);
  });
  expectDefaultsLaunched(result, settings);
}

TEST(SetupDialogWin32, LaunchReadsWhatTheUserChanged) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  LaunchSettings settings;
  const int result = run(model, settings, [](HWND dialog) {
    send(dialog, kSetupAspectId, LB_SETCURSEL, 2);
    click(dialog, kSetupFullscreenId);
    click(dialog, kSetupMusicId);
    EXPECT_FALSE(checked(dialog, kSetupFullscreenId));
    // Typed over the selected entry's label: the typed size is the choice.
    SetWindowTextA(item(dialog, kSetupResolutionId), "1024x768");
    pressKey(dialog, VK_RETURN);
  });
  expectChangesLaunched(result, settings);
}

// "nightloom --no-music --no-vsync --size 1024x768": the boxes and the resolution open as asked.
TEST(SetupDialogWin32, OpensWithTheCommandLinesPreset) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  model.setPreset(commandLinePreset());
  LaunchSettings settings;
  const int result = run(model, settings, [](HWND dialog) {
    EXPECT_EQ(send(dialog, kSetupResolutionId, CB_GETCURSEL), 1);
    EXPECT_TRUE(checked(dialog, kSetupFullscreenId));
    EXPECT_FALSE(checked(dialog, kSetupVSyncId));
    EXPECT_FALSE(checked(dialog, kSetupMusicId));
    click(dialog, kSetupLaunchId);
  });
  expectPresetLaunched(result, settings);
}

TEST(SetupDialogWin32, QuitEscapeAndCloseEndWithMinusOneAndWriteNothing) {
  SetupModel model(kModes, mode(1920, 1080), 0, 3);
  const std::vector<std::function<void(HWND)>> endings = {
      [](HWND dialog) { click(dialog, kSetupQuitId); },
      [](HWND dialog) { pressKey(dialog, VK_ESCAPE); },
      [](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); },
  };
  expectEachEndingQuits(endings, [&](LaunchSettings& settings, const auto& ending) {
    return run(model, settings, ending);
  });
}

TEST(SetupDialogWin32, AnEmptyModeListDisablesLaunch) {
  SetupModel empty({}, mode(1920, 1080), 0, 3);
  LaunchSettings untouched;
  EXPECT_EQ(run(empty, untouched,
                [](HWND dialog) {
                  EXPECT_FALSE(IsWindowEnabled(item(dialog, kSetupLaunchId)));
                  pressKey(dialog, VK_RETURN);  // nothing to launch: stays open
                  std::this_thread::sleep_for(200ms);
                  EXPECT_EQ(findDialog(), dialog);
                  click(dialog, kSetupQuitId);
                }),
            kSetupResultQuit);
  EXPECT_EQ(untouched.width, 0);
}

}  // namespace
