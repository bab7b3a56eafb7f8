// What the update tests share: manifests signed with the test build's
// throwaway key, the stored update state read back, and the install worker
// run to its end.
#pragma once

#include "https_test_server.h"
#include "settings_store.h"
#include "update_check.h"
#include "dialog_report.h"
#include "update_install.h"

#include <sodium.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace update_test {

inline unsigned char* signing_key()
{
    static unsigned char secret_key[64];
    return secret_key;
}

// The key pair from the seed in MIRADOT_TEST_UPDATE_KEY (Base64); false when
// it is missing or not 32 bytes.
inline bool load_signing_key()
{
    std::string text = test_server::read_file(test_server::on_z(test_server::env("MIRADOT_TEST_UPDATE_KEY")));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    unsigned char seed[32], public_key[32];
    size_t length = 0;
    if (sodium_init() < 0
        || sodium_base642bin(seed, 32, text.c_str(), text.size(), nullptr, &length, nullptr,
                             sodium_base64_VARIANT_ORIGINAL)
               != 0
        || length != 32)
        return false;
    crypto_sign_seed_keypair(public_key, signing_key(), seed);
    return true;
}

inline std::string sign(const std::string& bytes)
{
    std::string signature(64, 0);
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                         reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), signing_key());
    return signature;
}

// A text of the "Update" subkey; empty when missing.
inline std::wstring update_text(const wchar_t* name)
{
    HKEY key = open_update_key(KEY_QUERY_VALUE, false);
    wchar_t text[600] = L"";
    if (key) {
        read_registry_text(key, name, text, 599);
        RegCloseKey(key);
    }
    return text;
}

struct InstallReport {
    std::vector<std::wstring> progress;
    WorkStage stage = WorkStage::Waiting;  // of the last report, once it came
    std::wstring text;
};

inline DWORD WINAPI install_update_thread(void* parameter)
{
    HWND window = static_cast<HWND>(parameter);
    post_report(window, install_update(window, [window](const WorkerReport& report) { post_report(window, report); }));
    return 0;
}

// Runs the update install on a thread of its own, as the dialog does,
// reporting to window, until its last report; on_progress sees each
// progress text as it arrives.
inline InstallReport run_update_install(HWND window, const std::function<void(const std::wstring&)>& on_progress = {})
{
    InstallReport result;
    HANDLE thread = CreateThread(nullptr, 0, install_update_thread, window, 0, nullptr);
    if (!thread)
        return result;
    bool ended = false;
    MSG message;
    while (!ended && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message != WM_WORKER_REPORT) {
            DispatchMessageW(&message);
            continue;
        }
        const std::unique_ptr<WorkerReport> report = take_report(message.lParam);
        if (is_last_report(*report)) {
            ended = true;
            result.stage = report->stage;
            result.text = report->text;
        } else {
            result.progress.push_back(report->text);
            if (on_progress)
                on_progress(report->text);
        }
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return result;
}

}  // namespace update_test
