// dialog: the settings windows (layout, paint, theme, hotkey capture, languages, confirm and convert dialogs).
#include "dialog_features.h"

#include "installer_hooks.h"
#include "languages_dialog.h"
#include "translation_jobs.h"
#include "update_dialog.h"
#include "update_install.h"

const DialogFeatures DIALOG_FEATURES = {
    .refresh_voice_status = refresh_voice_status_from_disk,
    .start_voice_install = start_voice_install,
    .refresh_translation_area = refresh_translation_area_from_disk,
    .install_translation = install_translation,
    .translation_job_active = translation_job_waiting_or_running,
    .on_translation_report = on_translation_report,
    .open_languages_dialog = open_languages_dialog,
    .language_code = language_table_code,
    .describe_update = describe_update_or_installer_result,
    .run_update_check = check_for_update,
    .update_install_thread = update_install_thread,
    .on_update_install_report = on_update_install_report,
};
