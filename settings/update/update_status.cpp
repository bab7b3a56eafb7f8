// update: the signed update check, its install and the background notifier.
#include "update_status.h"

#include "settings_store.h"
#include "update_check.h"
#include "utf.h"

#include <cstdio>
#include <cwchar>

namespace {

bool starts_with(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::wstring failure_detail(const std::string& diagnostic)
{
    unsigned long code = 0;
    wchar_t text[120];
    if (std::sscanf(diagnostic.c_str(), "connect failed (%lu)", &code) == 1) {
        std::swprintf(text, 120, L"không mở được kết nối (mã %lu)", code);
        return text;
    }
    if (std::sscanf(diagnostic.c_str(), "HTTP %lu", &code) == 1) {
        std::swprintf(text, 120, L"máy chủ trả lời mã HTTP %lu", code);
        return text;
    }
    if (diagnostic == "url not allowed")
        return L"máy chủ chuyển sang một địa chỉ không an toàn";
    if (diagnostic == "too many redirects")
        return L"máy chủ chuyển hướng quá nhiều lần";
    if (diagnostic == "no WinINet")
        return L"Windows không mở được phiên mạng";
    if (diagnostic == "bad signature")
        return L"chữ ký của thông tin bản mới không đúng";
    if (diagnostic == "bad manifest")
        return L"thông tin bản mới sai định dạng";
    if (starts_with(diagnostic, "more than "))
        return L"thông tin bản mới quá lớn";
    if (diagnostic == "bad public key")
        return L"khoá kiểm tra trong chương trình bị hỏng";
    return miradot::utf8_to_wide(diagnostic);
}

}  // namespace

std::wstring update_failure_text(const std::string& diagnostic)
{
    // What came from the server cannot be trusted: it was reached, but what
    // it sent is not the update server's.
    const bool reached = diagnostic == "bad signature" || diagnostic == "bad manifest"
                         || starts_with(diagnostic, "more than ") || diagnostic == "bad public key";
    const std::wstring headline
        = reached ? L"Máy chủ cập nhật gửi thông tin không hợp lệ." : L"Không kết nối được máy chủ cập nhật.";
    return headline + L"\nChi tiết: " + failure_detail(diagnostic) + L".";
}

UpdateLine describe_update()
{
    constexpr size_t SHOWN_NOTES = 150;
    constexpr size_t CUT_NOTES = 147;
    char version[24];
    wchar_t notes[512];
    if (read_available_update(version, notes, 512)) {
        std::wstring shown = notes;
        if (shown.size() > SHOWN_NOTES)
            shown = shown.substr(0, CUT_NOTES) + L"…";
        wchar_t text[700];
        std::swprintf(text, 700, L"Có bản mới %hs. %ls", version, shown.c_str());
        return {text, UpdateLineKind::Offer};
    }
    switch (read_last_check_state()) {
    case LastCheck::None:
        return {L"Chưa kiểm tra.", UpdateLineKind::Plain};
    case LastCheck::Failed: {
        wchar_t diagnostic[HTTP_ERROR_SIZE] = L"";
        if (HKEY key = open_update_key(KEY_QUERY_VALUE, false)) {
            read_registry_text(key, UPDATE_ERROR, diagnostic, HTTP_ERROR_SIZE - 1);
            RegCloseKey(key);
        }
        return {update_failure_text(miradot::wide_to_utf8(diagnostic)), UpdateLineKind::Failure};
    }
    case LastCheck::Succeeded:
        break;
    }
    return {L"Đang dùng bản mới nhất.", UpdateLineKind::Plain};
}
