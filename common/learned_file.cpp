#include "learned_file.h"

#include "environment.h"

bool learned_file_path(std::wstring* path, bool* inAppData)
{
    auto userFile = miradot::env_path("MIRADOT_USER_FILE");
    if (inAppData)
        *inAppData = !userFile;
    if (userFile) {
        *path = userFile->wstring();
        return true;
    }
    auto appData = miradot::env_base_folder("APPDATA");
    if (!appData)
        return false;
    *path = appData->wstring() + L"\\miraDot\\user.tsv";
    return true;
}
