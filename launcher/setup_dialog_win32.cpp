// The setup dialog on Windows: the modal dialog of template 101 (setup_dialog_win32.rc), shown with
// DialogBoxParamA. The SetupModel decides what the lists hold, what the dialog opens with and what
// Launch stores; this file copies that into the controls and reads them back, as the GTK view does.
//   [x] template 101 (setup_dialog_win32.rc): controls, labels, styles, positions, tab order
//   [x] results 1004 (Launch) and -1 (Quit, Escape, closing)   [x] command-line presets
//   [x] resolution typed into the combo box's field   [x] Launch disabled without any mode
//   [ ] multisampling choices beyond "None" (the show asks for no samples)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "launcher/setup_dialog.h"

namespace {

constexpr int kTemplateId = 101;
// The window property that carries the view from WM_INITDIALOG to every later message.
constexpr const char* kViewProperty = "THIS";

struct DialogView {
  const SetupModel* model = nullptr;
  LaunchSettings* settings = nullptr;
  bool opened = false;  // WM_INITDIALOG arrived
};

void fillList(HWND dialog, int id, UINT addMessage, const std::vector<std::string>& labels) {
  for (const std::string& label : labels) {
    SendDlgItemMessageA(dialog, id, addMessage, 0, reinterpret_cast<LPARAM>(label.c_str()));
  }
}

void check(HWND dialog, int id, bool checked) {
  CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool isChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// Fills the lists and sets the opening state; returns whether the dialog manager should give the
// focus to the first control (Launch) itself.
BOOL showControls(HWND dialog, const SetupModel& model) {
  fillList(dialog, kSetupResolutionId, CB_ADDSTRING, model.resolutionLabels());
  fillList(dialog, kSetupMultisamplingId, LB_ADDSTRING, model.multisamplingLabels());
  fillList(dialog, kSetupAspectId, LB_ADDSTRING, model.aspectLabels());
  const SetupControls controls = model.initialControls();
  SendDlgItemMessageA(dialog, kSetupResolutionId, CB_SETCURSEL, controls.resolutionIndex, 0);
  if (controls.resolutionIndex < 0) {
    SetDlgItemTextA(dialog, kSetupResolutionId, controls.resolutionText.c_str());
  }
  SendDlgItemMessageA(dialog, kSetupAspectId, LB_SETCURSEL, controls.aspectIndex, 0);
  SendDlgItemMessageA(dialog, kSetupMultisamplingId, LB_SETCURSEL, controls.multisamplingIndex, 0);
  check(dialog, kSetupFullscreenId, controls.fullscreen);
  check(dialog, kSetupVSyncId, controls.vsync);
  check(dialog, kSetupMusicId, controls.music);
  if (model.canLaunch()) return TRUE;
  EnableWindow(GetDlgItem(dialog, kSetupLaunchId), FALSE);
  SetFocus(GetDlgItem(dialog, kSetupQuitId));
  return FALSE;
}

SetupControls readControls(HWND dialog, const SetupModel& model) {
  SetupControls controls;
  char text[256] = {};
  GetDlgItemTextA(dialog, kSetupResolutionId, text, sizeof text);
  controls.resolutionText = text;
  const int index =
      static_cast<int>(SendDlgItemMessageA(dialog, kSetupResolutionId, CB_GETCURSEL, 0, 0));
  // An entry stays selected while the user types over its label; the typed text is the choice then.
  const std::vector<std::string>& labels = model.resolutionLabels();
  const bool selectionShown = index >= 0 && static_cast<size_t>(index) < labels.size() &&
                              labels[static_cast<size_t>(index)] == controls.resolutionText;
  controls.resolutionIndex = selectionShown ? index : -1;
  controls.aspectIndex =
      static_cast<int>(SendDlgItemMessageA(dialog, kSetupAspectId, LB_GETCURSEL, 0, 0));
  controls.multisamplingIndex =
      static_cast<int>(SendDlgItemMessageA(dialog, kSetupMultisamplingId, LB_GETCURSEL, 0, 0));
  controls.fullscreen = isChecked(dialog, kSetupFullscreenId);
  controls.vsync = isChecked(dialog, kSetupVSyncId);
  controls.music = isChecked(dialog, kSetupMusicId);
  return controls;
}

void runCommand(HWND dialog, DialogView& view, int commandId) {
  const SetupModel& model = *view.model;
  const std::optional<int> result = model.command(
      commandId, [dialog, &model] { return readControls(dialog, model); }, *view.settings);
  if (result) EndDialog(dialog, *result);
}

INT_PTR CALLBACK setupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetPropA(dialog, kViewProperty, reinterpret_cast<HANDLE>(lParam));
  auto* view = static_cast<DialogView*>(GetPropA(dialog, kViewProperty));
  if (view == nullptr) return FALSE;  // messages before WM_INITDIALOG
  switch (message) {
    case WM_INITDIALOG:
      view->opened = true;
      return showControls(dialog, *view->model);
    case WM_COMMAND:
      runCommand(dialog, *view, LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, kSetupResultQuit);
      return TRUE;
    case WM_NCDESTROY:
      RemovePropA(dialog, kViewProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

// The standard controls are USER32's own and need no start-up.
bool openSetupToolkit() { return true; }

int runSetupDialog(const SetupModel& model, LaunchSettings& settings) {
  DialogView view;
  view.model = &model;
  view.settings = &settings;
  const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kTemplateId),
                                         nullptr, setupDialogProc, reinterpret_cast<LPARAM>(&view));
  if (!view.opened) {
    std::fprintf(stderr, "nightloom: error: the setup dialog cannot open (Windows error %lu)\n",
                 GetLastError());
    return kSetupResultQuit;
  }
  return result == kSetupResultLaunch ? kSetupResultLaunch : kSetupResultQuit;
}
