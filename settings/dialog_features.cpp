#include "dialog_features.h"

#include "installer_hooks.h"

// The speech model installer, the translation installers and the update
// check fill these in as they join the program.
const DialogFeatures DIALOG_FEATURES = {
    .refresh_voice_status = refresh_voice_status_from_disk,
    .refresh_translation_area = refresh_translation_area_from_disk,
    .translation_job_active = translation_job_waiting_or_running,
    .language_code = language_table_code,
};
