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

bool shorthand_file_path(std::wstring* path)
{
    if (!learned_file_path(path))
        return false;
    size_t name = path->find_last_of(L"\\/") + 1;  // 0 without a folder
    size_t extension = path->find_last_of(L'.');
    if (extension == std::wstring::npos || extension < name)
        extension = path->size();
    path->replace(extension, path->size() - extension, L"-shorthand.tsv");
    return true;
}
