// The installers' parts of the settings dialog: the voice status line and
// the translation area filled from what is on disk, and the job queue the
// dialog keeps for the program's lifetime.
#pragma once

#include <windows.h>

#include "mt_jobs.h"

TranslationQueue& translation_jobs();

void refresh_voice_status_from_disk(HWND dialog);
void refresh_translation_area_from_disk(HWND dialog);
bool translation_job_waiting_or_running();
const char* language_table_code(int row);
