// downloads: the HTTPS session, the verified download and the files under every installer and the update.
#include "file_tree.h"

#include <windows.h>

#include <cstring>

namespace {

bool is_link(const WIN32_FIND_DATAW& found) { return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool is_dot_entry(const wchar_t* name) { return !wcscmp(name, L".") || !wcscmp(name, L".."); }

}  // namespace

bool make_folder(const std::wstring& path)
{
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool delete_tree(const std::wstring& path)
{
    bool complete = true;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (is_dot_entry(found.cFileName))
                continue;
            std::wstring child = path + L"\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesW(child.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (folder && is_link(found)) {
                complete &= RemoveDirectoryW(child.c_str()) != 0;
            } else if (folder) {
                complete &= delete_tree(child);
            } else {
                complete &= DeleteFileW(child.c_str()) != 0;
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(path.c_str()) && complete;
}

uint64_t tree_size(const std::wstring& path)
{
    uint64_t total = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (is_dot_entry(found.cFileName))
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!is_link(found))
                total += tree_size(path + L"\\" + found.cFileName);
        } else {
            total += (uint64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return total;
}

bool write_text_file(const std::wstring& path, const char* text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD length = DWORD(strlen(text));
    DWORD written = 0;
    bool ok = WriteFile(file, text, length, &written, nullptr) && written == length;
    ok &= CloseHandle(file) != 0;
    return ok;
}

bool path_exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool file_has_size(const std::wstring& path, uint64_t size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)
           && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
           && ((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow) == size;
}
