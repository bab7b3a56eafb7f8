// The voice status line and the translation area as the dialog fills them
// from what the installers left on disk, with a screenshot.
#include "settings_window.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace {

constexpr int VOICE_STATUS = 111, VOICE_INSTALL = 112, TRANSLATE_STATUS = 127, TRANSLATE_INSTALL = 128, PARTNER = 131;
const char* const MODEL_FILES[]
    = {"tokens.txt", "encoder-epoch-99.int8.onnx", "decoder-epoch-99.onnx", "joiner-epoch-99.int8.onnx"};

bool visible(SettingsProgram& program, int id) { return IsWindowVisible(GetDlgItem(program.dialog(), id)); }

TEST(InstallerAreas, FreshSystemOffersBothInstalls)
{
    TempFolder folder(L"areas-fresh");
    std::filesystem::create_directories(folder.path() / "local");
    SettingsProgram program({{L"MIRADOT_SETTINGS_KEY", fresh_settings_key(L"areas")},
                             {L"LOCALAPPDATA", (folder.path() / "local").wstring()},
                             {L"MIRADOT_MT_HOME", (folder.path() / "mt").wstring()}});
    ASSERT_NE(program.dialog(), nullptr);
    EXPECT_EQ(program.text(VOICE_STATUS), L"Chưa cài. Tải khoảng 26 MB một lần.");
    EXPECT_TRUE(visible(program, VOICE_INSTALL));
    EXPECT_EQ(program.text(TRANSLATE_STATUS), L"Chưa cài. Tải khoảng 850 MB một lần; sau đó dịch không cần mạng.");
    EXPECT_TRUE(visible(program, TRANSLATE_INSTALL));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(program.dialog(), PARTNER)));
}

TEST(InstallerAreas, InstalledModelsShowAndARemovedPartnerFallsBackToEnglish)
{
    TempFolder folder(L"areas-installed");
    // Half an archive is no model: the line must not claim it is installed.
    for (const char* name : MODEL_FILES)
        if (std::string(name) != "joiner-epoch-99.int8.onnx")
            folder.write(
                std::filesystem::path("local/miraDot/models/sherpa-onnx-zipformer-vi-30M-int8-2026-02-09") / name, "x");
    folder.write("mt/runtime/ok", "python-3.14.10 ctranslate2-4.9.2 sentencepiece-0.2.3 msvc-14.51.36231\r\n");
    for (const char* model : {"en-vi", "vi-en", "en-fr", "fr-en", "en-ja", "ja-en"})
        folder.write(std::filesystem::path("mt") / model / "model.bin", "m");
    const std::wstring key = fresh_settings_key(L"areas");
    write_text(key, L"MtOther", L"de");
    Environment environment = {{L"MIRADOT_SETTINGS_KEY", key},
                               {L"LOCALAPPDATA", (folder.path() / "local").wstring()},
                               {L"MIRADOT_MT_HOME", (folder.path() / "mt").wstring()},
                               {L"MIRADOT_SETTINGS_SHOT", L"1"}};
    {
        SettingsProgram program(environment);
        ASSERT_NE(program.dialog(), nullptr);
        EXPECT_EQ(program.text(VOICE_STATUS), L"Chưa cài. Tải khoảng 26 MB một lần.");
    }
    folder.write(std::filesystem::path("local/miraDot/models/sherpa-onnx-zipformer-vi-30M-int8-2026-02-09")
                     / "joiner-epoch-99.int8.onnx",
                 "x");
    SettingsProgram program(environment);
    ASSERT_NE(program.dialog(), nullptr);
    EXPECT_EQ(program.text(VOICE_STATUS), L"Đã cài, chạy ngay trên máy, không cần mạng.");
    EXPECT_FALSE(visible(program, VOICE_INSTALL));
    EXPECT_EQ(program.text(TRANSLATE_STATUS),
              L"Đã cài: Anh, Việt, Nhật, Pháp. Dịch ngay trên máy, không gửi chữ đi đâu.");
    EXPECT_FALSE(visible(program, TRANSLATE_INSTALL));
    HWND box = GetDlgItem(program.dialog(), PARTNER);
    EXPECT_TRUE(IsWindowEnabled(box));
    EXPECT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(box, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(read_text(key, L"MtOther").value_or(L""), L"en") << "German is not installed";
    EXPECT_TRUE(program.screenshot(L"dialog_installed.png"));
}

}  // namespace
