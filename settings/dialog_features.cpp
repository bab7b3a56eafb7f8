#include "dialog_features.h"

#include "update_dialog.h"
#include "update_install.h"
#include "update_status.h"

// The speech model installer and the translation installers fill in their
// hooks as they join the program.
const DialogFeatures DIALOG_FEATURES = {
    .describe_update = describe_update,
    .run_update_check = check_for_update,
    .update_install_thread = update_install_thread,
    .on_update_install_report = on_update_install_report,
};
