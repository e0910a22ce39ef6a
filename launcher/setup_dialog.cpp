// The setup dialog's entry call, the same for every view: the view's dialog, then a Launch stored
// in the record.
#include "launcher/setup_dialog.h"

#include "launcher/demo_context.h"

int runSetupDialog(DemoContext& context, const SetupModel& model) {
  LaunchSettings settings;
  const int result = runSetupDialog(model, settings);
  if (result == kSetupResultLaunch) storeLaunchSettings(settings, context);
  return result;
}
