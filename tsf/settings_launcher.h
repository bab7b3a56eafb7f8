// The text service's two ways of starting the settings program: on request
// from the language bar menu, and at most about once a day with "--check".
#pragma once

#include <cstdint>
#include <string>

namespace miradot {

// "miraDot-Settings.exe" in the install folder (the DLL's parent folder);
// false when the DLL's path is unusable.
bool settings_program_path(std::wstring* program);

// Starts the settings dialog; a failure is silent.
void launch_settings();

// Called at activation and at every focus change: consults the registry at
// most once an hour per process and starts the background check when the
// last one is a day old and no text service started one within the hour.
void update_check_trigger();

// The daily rule over the "Last" and "Spawn" stamps (Unix seconds, 0 when
// missing), unsigned so that a stamp in the future does not hold it back.
bool update_check_due(uint64_t now, uint64_t last, uint64_t spawn);

// Everything after the hourly throttle, with the process's sandbox state
// given: the switches, the stamps, "Spawn" written, the program started.
// True when it started the program.
bool start_update_check_if_due(const std::wstring& program, bool appContainer);

bool process_is_app_container();

}  // namespace miradot
