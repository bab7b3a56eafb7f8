#include "notifier.h"

// The update check and its tray balloon join the program with the update
// code; until then the notifier mode ends at once.
void run_notifier_mode()
{
}
