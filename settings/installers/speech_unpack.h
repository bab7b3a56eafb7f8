// installers: the speech model, the translation runtime and the language packs put on disk.
// Unpacking the downloaded speech model archive into the models folder.
#pragma once

#include <string>

// Unpacks archive (.tar.bz2) with the system tar into a fresh folder beside
// the model, and only when that holds a complete model puts it in the model
// folder's place. A failed unpack leaves the models folder as it was, and no
// member can land outside it. True when the model is in place.
bool unpack_speech_model(const std::wstring& archive, const std::wstring& modelsFolder);
