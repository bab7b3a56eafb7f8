// installers: the speech model, the translation runtime and the language packs put on disk.
#include "speech_unpack.h"

#include <windows.h>

#include <cstring>

#include "file_tree.h"
#include "speech_model.h"
#include "system_tar.h"

namespace {

constexpr unsigned UNPACK_TIMEOUT_MS = 300000;

std::wstring wide(const char* ascii) { return std::wstring(ascii, ascii + strlen(ascii)); }

}  // namespace

bool unpack_speech_model(const std::wstring& archive, const std::wstring& modelsFolder)
{
    const std::wstring staging = modelsFolder + L"\\unpack.tmp";
    const std::wstring name = wide(miradot::DEFAULT_MODEL_NAME);
    const std::wstring target = modelsFolder + L"\\" + name;
    if (path_exists(staging))
        delete_tree(staging);
    if (!make_folder(staging))
        return false;
    bool placed = run_system_tar(L"-xjf \"" + archive + L"\" -C \"" + staging + L"\"", UNPACK_TIMEOUT_MS)
                  && miradot::speech_model_complete(staging + L"\\" + name);
    // Only an incomplete model can be in the way: a complete one hides the
    // install button.
    if (placed && path_exists(target))
        placed = delete_tree(target);
    if (placed)
        placed = MoveFileExW((staging + L"\\" + name).c_str(), target.c_str(), 0) != 0;
    delete_tree(staging);
    return placed;
}
