#include "dialog_features.h"

#include "installer_hooks.h"
#include "update_dialog.h"
#include "update_install.h"
#include "update_status.h"

// The speech model installer and the translation installers fill in their
// remaining hooks as they join the program.
const DialogFeatures DIALOG_FEATURES = {
    .refresh_voice_status = refresh_voice_status_from_disk,
    .refresh_translation_area = refresh_translation_area_from_disk,
    .translation_job_active = translation_job_waiting_or_running,
    .language_code = language_table_code,
    .describe_update = describe_update,
    .run_update_check = check_for_update,
    .update_install_thread = update_install_thread,
    .on_update_install_report = on_update_install_report,
};
