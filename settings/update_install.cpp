#include "update_install.h"

#include "diagnostics_log.h"
#include "file_digest.h"
#include "https_download.h"
#include "update_check.h"
#include "update_manifest.h"
#include "utf.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr uint64_t INSTALLER_MAX_BYTES = 209715200;
constexpr DWORD INSTALLER_WAIT_MS = 600000;

struct Progress {
    HWND dialog;
    const wchar_t* version;
    uint64_t stated_size;
    int last_percent;
};

void report_progress(void* context, uint64_t total, uint64_t)
{
    auto* p = static_cast<Progress*>(context);
    int percent = p->stated_size ? int(total * 100 / p->stated_size) : 0;
    if (percent == p->last_percent)
        return;
    p->last_percent = percent;
    wchar_t text[96];
    std::swprintf(text, 96, L"Đang tải bản %ls… %d %%", p->version, percent);
    post_text(p->dialog, WM_UPDATE_INSTALL_REPORT, UPDATE_PROGRESS, text);
}

const wchar_t* download_failure(DownloadOutcome outcome)
{
    switch (outcome) {
    case DOWNLOAD_NO_CONNECTION:
    case DOWNLOAD_REFUSED:
        return L"Lỗi: không tải được (kiểm tra mạng).";
    case DOWNLOAD_NO_MEMORY:
        return L"Lỗi: hết bộ nhớ.";
    case DOWNLOAD_CANNOT_WRITE:
        return L"Lỗi: không ghi được tệp.";
    case DOWNLOAD_TOO_LARGE:
        return L"Lỗi: tệp tải về quá lớn.";
    case DOWNLOAD_INCOMPLETE:
        return L"Lỗi: tải không trọn (kiểm tra mạng).";
    case DOWNLOAD_DONE:
        break;
    }
    return nullptr;
}

void read_offer(char* url, char* digest, uint64_t* size)
{
    url[0] = digest[0] = 0;
    *size = 0;
    HKEY key = open_update_key(KEY_QUERY_VALUE, false);
    if (!key)
        return;
    wchar_t wide_url[512], wide_digest[80];
    read_registry_text(key, L"Url", wide_url, 511);
    read_registry_text(key, L"Sha256", wide_digest, 79);
    *size = read_registry_qword(key, L"Size");
    RegCloseKey(key);
    // A text that does not fit after conversion counts as missing.
    std::string text = miradot::wide_to_utf8(wide_url);
    if (text.size() < 512)
        std::strcpy(url, text.c_str());
    text = miradot::wide_to_utf8(wide_digest);
    if (text.size() < 80)
        std::strcpy(digest, text.c_str());
}

// Everything after the working names exist; answers the final text and kind.
const wchar_t* install(HWND dialog, const char* url, const char* digest, uint64_t size, const wchar_t* version,
                       const wchar_t* installer, WPARAM* kind)
{
    Progress progress{dialog, version, size, -1};
    if (const wchar_t* failure
        = download_failure(download_to_file(url, installer, INSTALLER_MAX_BYTES, size, report_progress, &progress)))
        return failure;

    post_text(dialog, WM_UPDATE_INSTALL_REPORT, UPDATE_PROGRESS, L"Đang kiểm tra tệp tải về…");
    if (!file_has_sha256(installer, digest))
        return L"Lỗi: tệp tải về bị hỏng (sai mã kiểm tra), đã xoá.";

    post_text(dialog, WM_UPDATE_INSTALL_REPORT, UPDATE_PROGRESS, L"Đang cài… (Windows sẽ hỏi quyền quản trị)");
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    run.hwnd = dialog;
    run.lpVerb = L"runas";
    run.lpFile = installer;
    run.lpParameters = L"/S /NOKEYBOARD";
    run.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&run) || !run.hProcess) {
        DWORD reason = GetLastError();
        if (run.hProcess)
            CloseHandle(run.hProcess);
        return reason == ERROR_CANCELLED ? L"Đã huỷ cập nhật." : L"Lỗi: không chạy được bộ cài.";
    }
    DWORD exit_code = 1;
    if (WaitForSingleObject(run.hProcess, INSTALLER_WAIT_MS) != WAIT_OBJECT_0
        || !GetExitCodeProcess(run.hProcess, &exit_code))
        exit_code = 1;
    CloseHandle(run.hProcess);
    miradot::log_event("update install: installer exit code %lu", exit_code);
    if (exit_code != 0)
        return L"Lỗi: bộ cài báo lỗi.";
    *kind = UPDATE_INSTALLED;
    return nullptr;
}

}  // namespace

DWORD WINAPI update_install_thread(void* parameter)
{
    HWND dialog = static_cast<HWND>(parameter);
    auto finish = [&](WPARAM kind, const wchar_t* text) {
        post_text(dialog, WM_UPDATE_INSTALL_REPORT, kind, text);
        return DWORD(0);
    };

    char version[MANIFEST_VERSION_SIZE];
    if (!read_available_update(version, nullptr, 0))
        return finish(UPDATE_NOT_INSTALLED, L"Chưa có bản mới để cài.");
    char url[512], digest[80];
    uint64_t size;
    read_offer(url, digest, &size);
    if (std::strncmp(url, "https://", 8) != 0 || !is_sha256_hex(digest))
        return finish(UPDATE_NOT_INSTALLED, L"Lỗi: thông tin bản mới không hợp lệ.");

    wchar_t temp[MAX_PATH + 1];
    DWORD temp_length = GetTempPathW(MAX_PATH + 1, temp);
    if (temp_length == 0 || temp_length > 200)
        return finish(UPDATE_NOT_INSTALLED, L"Lỗi: không có thư mục tạm.");
    wchar_t folder[260];
    std::swprintf(folder, 260, L"%lsmiraDot-update-%lu-%llu", temp, GetCurrentProcessId(), GetTickCount64());
    if (!CreateDirectoryW(folder, nullptr))
        return finish(UPDATE_NOT_INSTALLED, L"Lỗi: không tạo được thư mục tạm.");
    std::wstring wide_version = miradot::utf8_to_wide(version);
    wchar_t installer[324];
    std::swprintf(installer, 324, L"%ls\\miraDot-Setup-%ls.exe", folder, wide_version.c_str());

    WPARAM kind = UPDATE_NOT_INSTALLED;
    const wchar_t* failure = install(dialog, url, digest, size, wide_version.c_str(), installer, &kind);
    DeleteFileW(installer);
    RemoveDirectoryW(folder);
    if (failure)
        return finish(kind, failure);
    wchar_t done[160];
    std::swprintf(done, 160, L"Đã cập nhật lên %ls. Ứng dụng đang mở sẽ dùng bản mới khi mở lại.",
                  wide_version.c_str());
    return finish(UPDATE_INSTALLED, done);
}
