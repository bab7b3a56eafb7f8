// update: the signed update check, its install and the background notifier.
#include "update_install.h"

#include "diagnostics_log.h"
#include "file_digest.h"
#include "https_download.h"
#include "settings_store.h"
#include "verified_download.h"
#include "update_check.h"
#include "update_manifest.h"
#include "version_number.h"
#include "utf.h"

#include <shellapi.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr uint64_t INSTALLER_MAX_BYTES = 209715200;
constexpr wchar_t RESULT_OPTION[] = L"--update-result ";
constexpr size_t RESULT_OPTION_LENGTH = sizeof RESULT_OPTION / sizeof RESULT_OPTION[0] - 1;

WorkerReport progress_report(WorkStage stage, std::wstring text)
{
    WorkerReport progress;
    progress.job = WorkerJob::Update;
    progress.stage = stage;
    progress.text = std::move(text);
    return progress;
}

struct Progress {
    const ReportSink* report;
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
    WorkerReport progress = progress_report(WorkStage::Downloading, text);
    progress.percent = percent;
    (*p->report)(progress);
}

void read_offer(char* url, char* digest, uint64_t* size)
{
    url[0] = digest[0] = 0;
    *size = 0;
    HKEY key = open_update_key(KEY_QUERY_VALUE, false);
    if (!key)
        return;
    wchar_t wide_url[512], wide_digest[80];
    read_registry_text(key, UPDATE_URL, wide_url, 511);
    read_registry_text(key, UPDATE_SHA256, wide_digest, 79);
    *size = read_registry_qword(key, UPDATE_SIZE);
    RegCloseKey(key);
    // A text that does not fit after conversion counts as missing.
    std::string text = miradot::wide_to_utf8(wide_url);
    if (text.size() < 512)
        std::strcpy(url, text.c_str());
    text = miradot::wide_to_utf8(wide_digest);
    if (text.size() < 80)
        std::strcpy(digest, text.c_str());
}

// An installer that carries an Authenticode signature must pass it; one
// without a signature is taken on the signed manifest's digest alone.
bool installer_signature_acceptable(HANDLE file, const wchar_t* path)
{
    WINTRUST_FILE_INFO file_info{};
    file_info.cbStruct = sizeof file_info;
    file_info.pcwszFilePath = path;
    file_info.hFile = file;
    WINTRUST_DATA trust{};
    trust.cbStruct = sizeof trust;
    trust.dwUIChoice = WTD_UI_NONE;
    trust.fdwRevocationChecks = WTD_REVOKE_NONE;
    trust.dwUnionChoice = WTD_CHOICE_FILE;
    trust.pFile = &file_info;
    trust.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    LONG status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    DWORD reason = GetLastError();
    trust.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    if (status == ERROR_SUCCESS)
        return true;
    return status == LONG(TRUST_E_NOSIGNATURE)
           && (reason == DWORD(TRUST_E_NOSIGNATURE) || reason == DWORD(TRUST_E_SUBJECT_FORM_UNKNOWN)
               || reason == DWORD(TRUST_E_PROVIDER_UNKNOWN));
}

// The downloaded installer and its folder, held from the file's creation
// until the elevated process has started: the folder without sharing for
// deletes (nobody renames or removes it), the file without sharing for
// writes or deletes.
struct HeldInstaller {
    HANDLE folder = INVALID_HANDLE_VALUE;
    HANDLE file = INVALID_HANDLE_VALUE;
    ~HeldInstaller()
    {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (folder != INVALID_HANDLE_VALUE)
            CloseHandle(folder);
    }
};

bool same_file(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh
           && a.nFileIndexLow == b.nFileIndexLow;
}

// Write access cannot be given up on an open file, and the elevated start
// shares only reads: the writer is closed and the file opened again for
// reading only. Between the two it is checked to be the very file written,
// with no link put in its place and no writer left on it; the digest is then
// taken through the reading handle, so that a change made in that moment is
// caught too.
bool reopen_for_reading(HeldInstaller& held, const wchar_t* path)
{
    BY_HANDLE_FILE_INFORMATION written{}, opened{};
    if (!GetFileInformationByHandle(held.file, &written))
        return false;
    CloseHandle(held.file);
    held.file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return held.file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(held.file, &opened)
           && same_file(written, opened) && !(opened.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Everything after the working names exist; Done once the installer has started.
Outcome install(HWND owner, const ReportSink& report, const char* url, const char* digest, uint64_t size,
                const wchar_t* version, const wchar_t* folder, const wchar_t* installer)
{
    HeldInstaller held;
    held.folder = CreateFileW(folder, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION folder_info{};
    if (held.folder == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(held.folder, &folder_info)
        || (folder_info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        || !(folder_info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return Outcome::NoFolder;
    // Created new: a file or link planted at this name is refused, not reused.
    held.file
        = CreateFileW(installer, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held.file == INVALID_HANDLE_VALUE)
        return Outcome::CannotWrite;
    Progress progress{&report, version, size, -1};
    if (const Outcome fetched = download_outcome(
            download_to_open_file(url, held.file, INSTALLER_MAX_BYTES, size, report_progress, &progress));
        fetched != Outcome::Done)
        return fetched;

    if (!reopen_for_reading(held, installer))
        return Outcome::InstallerChanged;
    report(progress_report(WorkStage::Checking, L"Đang kiểm tra tệp tải về…"));
    char actual[SHA256_HEX_SIZE];
    if (!sha256_open_file_hex(held.file, actual) || std::strcmp(actual, digest) != 0)
        return Outcome::WrongFile;
    if (!installer_signature_acceptable(held.file, installer))
        return Outcome::BadSignature;

    report(progress_report(WorkStage::Installing, L"Đang cài… (Windows sẽ hỏi quyền quản trị)"));
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    run.hwnd = owner;
    run.lpVerb = L"runas";
    run.lpFile = installer;
    run.lpParameters = INSTALLER_PARAMETERS;
    run.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&run) || !run.hProcess) {
        DWORD reason = GetLastError();
        if (run.hProcess)
            CloseHandle(run.hProcess);
        return reason == ERROR_CANCELLED ? Outcome::Cancelled : Outcome::InstallerNotRun;
    }
    // The installer replaces this program too: it asks it to quit, reports
    // through the fresh instance it starts, and its file goes at that
    // instance's start.
    CloseHandle(run.hProcess);
    return Outcome::Done;
}

}  // namespace

WorkerReport install_update(HWND owner, const ReportSink& report)
{
    auto ended = [](Outcome outcome) {
        WorkerReport last = job_end(WorkerJob::Update, outcome);
        // Nothing to install, or the user said no: nothing failed.
        if (outcome == Outcome::NoOffer || outcome == Outcome::Cancelled)
            last.stage = WorkStage::Idle;
        return last;
    };

    char version[MANIFEST_VERSION_SIZE];
    if (!read_available_update(version, nullptr, 0))
        return ended(Outcome::NoOffer);
    char url[512], digest[80];
    uint64_t size;
    read_offer(url, digest, &size);
    if (std::strncmp(url, "https://", 8) != 0 || !is_sha256_hex(digest))
        return ended(Outcome::BadOffer);

    wchar_t temp[MAX_PATH + 1];
    DWORD temp_length = GetTempPathW(MAX_PATH + 1, temp);
    if (temp_length == 0 || temp_length > 200)
        return ended(Outcome::NoTempFolder);
    wchar_t folder[260];
    std::swprintf(folder, 260, L"%lsmiraDot-update-%lu-%llu", temp, GetCurrentProcessId(), GetTickCount64());
    if (!CreateDirectoryW(folder, nullptr))
        return ended(Outcome::NoFolder);
    std::wstring wide_version = miradot::utf8_to_wide(version);
    wchar_t installer[324];
    std::swprintf(installer, 324, L"%ls\\miraDot-Setup-%ls.exe", folder, wide_version.c_str());

    const Outcome outcome = install(owner, report, url, digest, size, wide_version.c_str(), folder, installer);
    // A running installer's file stays until the next start removes it.
    DeleteFileW(installer);
    RemoveDirectoryW(folder);
    if (outcome != Outcome::Done)
        return ended(outcome);
    wchar_t started[160];
    std::swprintf(started, 160, L"Đang cài bản %ls… miraDot sẽ tự mở lại khi cài xong.", wide_version.c_str());
    return job_end(WorkerJob::Update, Outcome::Done, started);
}

std::optional<int> installer_result_from_command_line(const wchar_t* arguments)
{
    const wchar_t* option = arguments ? wcsstr(arguments, RESULT_OPTION) : nullptr;
    if (!option)
        return std::nullopt;
    const wchar_t* number = option + RESULT_OPTION_LENGTH;
    wchar_t* end = nullptr;
    long code = std::wcstol(number, &end, 10);
    if (end == number)
        return std::nullopt;
    return int(code);
}

std::wstring installer_result_text(int exit_code)
{
    switch (exit_code) {
    case 0:
        return L"Đã cập nhật lên "
               L"" MIRADOT_VERSION_TEXT L".";
    case 3:
        return L"Lỗi: không thay được các tệp của miraDot (mã 3). Hãy khởi động lại máy rồi cập nhật lại.";
    case 4:
        return L"Lỗi: không đăng ký được bộ gõ với Windows (mã 4).";
    case 5:
        return L"Lỗi: không ghi được mục miraDot trong danh sách chương trình (mã 5).";
    case 7:
        return L"Lỗi: máy đã có bản mới hơn, bộ cài không cài bản cũ (mã 7).";
    }
    return L"Lỗi: bộ cài báo lỗi (mã " + std::to_wstring(exit_code) + L").";
}

void remove_update_leftovers()
{
    wchar_t temp[MAX_PATH + 1];
    DWORD temp_length = GetTempPathW(MAX_PATH + 1, temp);
    if (temp_length == 0 || temp_length > 200)
        return;
    WIN32_FIND_DATAW folder;
    HANDLE folders = FindFirstFileW((std::wstring(temp) + L"miraDot-update-*").c_str(), &folder);
    if (folders == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(folder.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            || (folder.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        std::wstring path = std::wstring(temp) + folder.cFileName;
        WIN32_FIND_DATAW file;
        HANDLE files = FindFirstFileW((path + L"\\miraDot-Setup-*.exe").c_str(), &file);
        if (files != INVALID_HANDLE_VALUE) {
            do
                DeleteFileW((path + L"\\" + file.cFileName).c_str());
            while (FindNextFileW(files, &file));
            FindClose(files);
        }
        RemoveDirectoryW(path.c_str());
    } while (FindNextFileW(folders, &folder));
    FindClose(folders);
}
