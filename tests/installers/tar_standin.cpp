// "tar.exe" for a Wine prefix, which has none: hands its arguments to the
// host's bsdtar, Windows paths turned into host paths. Wine neither waits for
// a host program through its process handle nor passes its exit code back,
// so a shell writes the code to a file, renamed into place once complete,
// that this program waits for and returns.
#include <windows.h>

#include <string>

namespace {

using UnixFileName = char*(CDECL*)(const wchar_t*);

std::wstring wide(const char* text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring result(length > 0 ? length - 1 : 0, L'\0');
    if (length > 1)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, result.data(), length);
    return result;
}

bool is_windows_path(const std::wstring& argument)
{
    return argument.size() >= 3 && argument[1] == L':' && (argument[2] == L'\\' || argument[2] == L'/');
}

// A host path for a Windows one, other arguments unchanged.
std::wstring host_argument(const std::wstring& argument, UnixFileName unix_name)
{
    if (!is_windows_path(argument))
        return argument;
    char* converted = unix_name(argument.c_str());
    if (!converted)
        return argument;
    std::wstring result = wide(converted);
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

// Quoted so that Wine's split of the command line gives the argument back.
std::wstring quoted(const std::wstring& argument)
{
    std::wstring result = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        result.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        result += c;
    }
    result.append(backslashes * 2, L'\\');
    return result + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    auto unix_name
        = reinterpret_cast<UnixFileName>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    if (!unix_name)
        return 2;

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t reserved[MAX_PATH];
    if (!GetTempFileNameW(temp, L"tar", 0, reserved))
        return 2;
    const std::wstring status = std::wstring(reserved) + L".status";

    std::wstring command = L"Z:\\bin\\sh -c " + quoted(L"bsdtar \"$@\"; echo $? >\"$0.part\"; mv \"$0.part\" \"$0\"")
                           + L" " + quoted(host_argument(status, unix_name));
    for (int i = 1; i < argc; ++i)
        command += L" " + quoted(host_argument(argv[i], unix_name));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    int code = 2;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        // Polled for as long as a tar may take: the callers bound that.
        for (;;) {
            HANDLE file
                = CreateFileW(status.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                char text[16] = {};
                DWORD read = 0;
                code = ReadFile(file, text, sizeof text - 1, &read, nullptr) && read > 0 ? atoi(text) : 1;
                CloseHandle(file);
                break;
            }
            Sleep(20);
        }
    }
    DeleteFileW(status.c_str());
    DeleteFileW(reserved);
    return code;
}
