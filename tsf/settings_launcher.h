#pragma once

// Starts "miraDot-Settings.exe" from the install folder (the DLL's parent
// folder); a failure is silent.
void launch_settings();
