#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "installer_fixture.h"
#include "speech_model.h"
#include "speech_unpack.h"
#include "temp_folder.h"

namespace {

class SpeechUnpack : public testing::Test {
protected:
    SpeechUnpack() : folder(L"speech-unpack")
    {
        std::filesystem::create_directories(folder.path() / "local");
        environment.set(L"LOCALAPPDATA", (folder.path() / "local").wstring());
        EXPECT_TRUE(miradot::speech_models_folder(models));
    }

    std::vector<std::string> names(const std::filesystem::path& path)
    {
        std::vector<std::string> result;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
            result.push_back(entry.path().lexically_relative(path).generic_string());
        std::sort(result.begin(), result.end());
        return result;
    }

    TempFolder folder;
    ScopedEnvironment environment;
    std::filesystem::path models;
};

TEST_F(SpeechUnpack, ACompleteModelLandsInItsFolder)
{
    ASSERT_TRUE(unpack_speech_model(test_archive("speech-model.tar.bz2").wstring(), models.wstring()));
    std::filesystem::path model;
    EXPECT_TRUE(miradot::default_model_dir(model));
    EXPECT_EQ(names(models), (std::vector<std::string>{miradot::DEFAULT_MODEL_NAME,
                                                       std::string(miradot::DEFAULT_MODEL_NAME) + "/decoder-tiny.onnx",
                                                       std::string(miradot::DEFAULT_MODEL_NAME) + "/encoder-tiny.onnx",
                                                       std::string(miradot::DEFAULT_MODEL_NAME) + "/joiner-tiny.onnx",
                                                       std::string(miradot::DEFAULT_MODEL_NAME) + "/tokens.txt"}));
}

TEST_F(SpeechUnpack, AbsoluteMembersStayInsideTheUnpackFolder)
{
    ASSERT_TRUE(unpack_speech_model(test_archive("speech-absolute.tar.bz2").wstring(), models.wstring()));
    EXPECT_FALSE(std::filesystem::exists(L"Z:\\miradot-absolute-member.txt"));
    EXPECT_FALSE(std::filesystem::exists(L"C:\\miradot-absolute-member.txt"));
    EXPECT_FALSE(std::filesystem::exists(models / "miradot-absolute-member.txt"));
    std::filesystem::path model;
    EXPECT_TRUE(miradot::default_model_dir(model));
    EXPECT_FALSE(std::filesystem::exists(models / "unpack.tmp"));
}

TEST_F(SpeechUnpack, AFailedUnpackLeavesTheModelsFolderAsItWas)
{
    // An earlier unpack that stopped half-way, with "tokens.txt" in place.
    const std::filesystem::path half = models / miradot::DEFAULT_MODEL_NAME;
    folder.write(half.lexically_relative(folder.path()) / "tokens.txt", "<blk> 0\n");
    std::filesystem::path model;
    ASSERT_FALSE(miradot::default_model_dir(model)) << "tokens alone are no model";
    const std::vector<std::string> before = names(models);

    struct Case {
        const char* name;
        const char* archive;
    };
    const Case cases[] = {
        {"archive without the joiner", "speech-incomplete.tar.bz2"},
        {"error page instead of the archive", "error-page.tar.bz2"},
        {"members that climb out of the folder", "speech-escape.tar.bz2"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(unpack_speech_model(test_archive(c.archive).wstring(), models.wstring())) << c.name;
        EXPECT_EQ(names(models), before) << c.name;
        EXPECT_FALSE(miradot::default_model_dir(model)) << c.name;
    }
    EXPECT_FALSE(std::filesystem::exists(models.parent_path() / "escaped.txt"));
    EXPECT_FALSE(std::filesystem::exists(models.parent_path().parent_path() / "escaped.txt"));
    {
        NoSystemTar noTar;
        EXPECT_FALSE(unpack_speech_model(test_archive("speech-model.tar.bz2").wstring(), models.wstring()));
        EXPECT_EQ(names(models), before);
    }
    // The next good archive replaces the half-unpacked folder.
    EXPECT_TRUE(unpack_speech_model(test_archive("speech-model.tar.bz2").wstring(), models.wstring()));
    EXPECT_TRUE(miradot::default_model_dir(model));
}

}  // namespace
