// The settings program: the dialog, the background notifier (--check) or
// the translation-service stop (--mt-quit). It always exits with 0.
#include "notifier.h"
#include "program_modes.h"
#include "settings_store.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int)
{
    resolve_settings_key();
    switch (mode_from_command_line(arguments)) {
    case ProgramMode::Notifier:
        run_notifier_mode();
        break;
    case ProgramMode::TranslationQuit:
        send_translation_quit();
        break;
    case ProgramMode::Dialog:
        run_dialog_mode(arguments);
        break;
    }
    return 0;
}
