// The background notifier (--check): one update check when it is due, and
// a tray balloon for a version the user has not been told about.
#pragma once

void run_notifier_mode();
