// settings program: its three modes and its entry point, above every room.
// The settings program: the dialog, the background notifier (--check) or
// the translation-service stop (--mt-quit). It always exits with 0.
#include "diagnostics_log.h"
#include "notifier.h"
#include "pipe.h"
#include "program_modes.h"
#include "settings_store.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int)
{
    resolve_settings_key();
    miradot::log_set_program("miraDot-Settings");
    const ProgramMode mode = mode_from_command_line(arguments);
    miradot::log_event("settings start, mode %d", static_cast<int>(mode));
    switch (mode) {
    case ProgramMode::Notifier:
        run_notifier_mode();
        break;
    case ProgramMode::TranslationQuit:
        send_translation_control(PIPE_QUIT);
        break;
    case ProgramMode::Dialog:
        run_dialog_mode(arguments);
        break;
    }
    miradot::log_event("settings exit");
    return 0;
}
