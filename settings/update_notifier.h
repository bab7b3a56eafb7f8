// The background notifier mode ("--check"): one update check when it is due,
// and a tray balloon once for each newly found version.
#pragma once

// Runs the whole mode; the program's exit code.
int run_update_notifier();
