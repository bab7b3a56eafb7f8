// Stands in for the translation service as "runtime\miraDot-Translate.exe"
// in a test translation home: records how it was started, then does what the
// home's "mode.txt" says: "exit" ends at once, "silent" takes translation
// requests and never answers them, anything else answers each translation
// request with the line in "reply.txt". Every translation request is kept in
// "request.txt". It ends on "quit" or after a minute without requests.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "open_file.h"
#include "pipe.h"
#include "utf.h"

namespace {

std::wstring home_folder()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    for (int up = 0; up < 2; ++up)
        folder.resize(folder.find_last_of(L'\\'));
    return folder;
}

std::string read_file(const std::wstring& path)
{
    std::vector<uint8_t> bytes;
    miradot::read_whole_file(path, bytes);
    return std::string(bytes.begin(), bytes.end());
}

void write_file(const std::wstring& path, const std::string& text)
{
    std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc) << text;
}

}  // namespace

int main()
{
    const std::wstring home = home_folder();
    write_file(home + L"\\started.txt", miradot::wide_to_utf8(GetCommandLineW()));
    const std::string mode = read_file(home + L"\\mode.txt");
    if (mode.rfind("exit", 0) == 0)
        return 1;
    PipeServerLimits limits;
    limits.idleLimitMs = 60000;
    limits.connectSliceMs = 1000;
    return serve_pipe(
        PipeKind::Translation,
        [&](const std::string& request, std::string& reply) {
            if (request.find("\"cmd\":\"translate\"") != std::string::npos) {
                write_file(home + L"\\request.txt", request);
                if (mode.rfind("silent", 0) == 0)
                    Sleep(15000);
                reply = read_file(home + L"\\reply.txt");
            } else {
                reply = "{\"ok\":true}";
            }
            return request.find("\"cmd\":\"quit\"") == std::string::npos;
        },
        [] { return false; }, limits);
}
