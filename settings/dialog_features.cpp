#include "dialog_features.h"

// The speech model installer, the translation installers and the update
// check fill these in as they join the program.
const DialogFeatures DIALOG_FEATURES = {};
