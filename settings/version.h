// The system's own version, shown by the dialog and compared by updates.
#pragma once

#define PROGRAM_VERSION "0.1.5"
#define PROGRAM_VERSION_W L"0.1.5"
