// "Sao chép thông tin chẩn đoán": one click puts the version, the Windows
// version, the settings as stored, what is installed and the last 100 lines
// of the diagnostics log on the clipboard.
#include "diagnostics_log.h"
#include "settings_window.h"
#include "speech_model.h"
#include "temp_folder.h"
#include "version_number.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

constexpr int COPY_DIAGNOSTICS = 134;

std::wstring clipboard_text()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = units;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void empty_clipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

bool contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

TEST(DiagnosticsCopy, PutsVersionSettingsModelsAndTheLastLogLinesOnTheClipboard)
{
    TempFolder local(L"miradot-diagnostics-copy");
    std::wstring key = fresh_settings_key(L"diagnostics");
    write_dword(key, L"Method", 1);
    write_text(key, L"HotkeyVoice", L"Ctrl+Alt+F9");
    write_text(key + L"\\Update", L"Status", L"same");
    local.write(std::filesystem::path("miraDot") / "models" / miradot::DEFAULT_MODEL_NAME / "tokens.txt", "a 0\n");
    for (const char* part : {"encoder", "decoder", "joiner"})
        local.write(std::filesystem::path("miraDot") / "models" / miradot::DEFAULT_MODEL_NAME
                        / (std::string(part) + ".int8.onnx"),
                    "x");
    {
        // The log lines of an earlier run of some program.
        SetEnvironmentVariableW(L"LOCALAPPDATA", local.path().c_str());
        miradot::log_set_program("diagnostics_test");
        for (int i = 0; i < 150; ++i)
            miradot::log_event("earlier event %03d", i);
        SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    }
    empty_clipboard();

    SettingsProgram program(Environment{{L"MIRADOT_SETTINGS_KEY", key}, {L"LOCALAPPDATA", local.path().wstring()}});
    ASSERT_TRUE(program.dialog());
    EXPECT_EQ(program.text(COPY_DIAGNOSTICS), L"Sao chép thông tin chẩn đoán");
    EXPECT_TRUE(program.screenshot(L"dialog_diagnostics.png"));
    program.click(COPY_DIAGNOSTICS);
    std::wstring report;
    ASSERT_TRUE(wait_until([&] { return contains(report = clipboard_text(), L"Nhật ký"); }));

    EXPECT_TRUE(report.starts_with(L"miraDot "
                                   L"" MIRADOT_VERSION_TEXT L"\r\n"))
        << report.substr(0, 200);
    EXPECT_TRUE(std::regex_search(report, std::wregex(L"\r\nWindows \\d+\\.\\d+\\.\\d+\r\n")));
    EXPECT_TRUE(contains(report, L"  Method = 1 (0x1)\r\n"));
    EXPECT_TRUE(contains(report, L"  HotkeyVoice = \"Ctrl+Alt+F9\"\r\n"));
    EXPECT_TRUE(contains(report, L"Cập nhật:\r\n  Status = \"same\"\r\n"));
    EXPECT_TRUE(contains(report, L"  Giọng nói: sherpa-onnx-zipformer-vi-30M-int8-2026-02-09\r\n"));
    EXPECT_TRUE(contains(report, L"  Bản dịch: chưa cài\r\n"));

    // The last 100 lines: the newest of the earlier ones, then the dialog's own start.
    EXPECT_TRUE(contains(report, L"Nhật ký (100 dòng cuối):\r\n"));
    EXPECT_FALSE(contains(report, L"earlier event 050"));
    EXPECT_TRUE(contains(report, L"earlier event 051"));
    EXPECT_TRUE(contains(report, L"earlier event 149"));
    EXPECT_TRUE(contains(report, L" miraDot-Settings " + std::to_wstring(program.process_id()) + L" settings start"));
}

}  // namespace
