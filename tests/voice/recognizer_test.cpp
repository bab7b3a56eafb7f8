#include <gtest/gtest.h>

#include "helper_folder.h"
#include "recognizer.h"

using namespace miradot;

namespace {

class RecognizerLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        unset_env("MIRADOT_VOICE_MODEL_DIR");
        set_env("LOCALAPPDATA", utf8_path(helper.folder().path() / "appdata"));
        std::filesystem::create_directories(helper.folder().path() / "appdata");
        state.helperDir = helper.helperDir();
    }
    void TearDown() override
    {
        unset_env("MIRADOT_VOICE_MODEL_DIR");
        unset_env("LOCALAPPDATA");
    }

    HelperFolder helper;
    VoiceHelperState state;
};

TEST_F(RecognizerLoad, WithoutVoiceFolderTheRuntimeIsMissing)
{
    load_recognizer(state);
    EXPECT_EQ(state.recognizer, nullptr);
    EXPECT_EQ(state.load_error, "voice runtime missing");
    EXPECT_NE(state.engine, nullptr);  // clean-up still gets its engine
}

TEST_F(RecognizerLoad, LibraryMissingAFunctionIsTooOld)
{
    helper.install_library(partial_library());
    load_recognizer(state);
    EXPECT_EQ(state.load_error, "voice runtime too old");
}

TEST_F(RecognizerLoad, RealLibraryReportsEachModelProblem)
{
    helper.install_library(real_library_dir() / SHERPA_LIBRARY_NAME);
    struct Case {
        const char* name;
        std::string modelDir;  // empty: the default folder under LOCALAPPDATA
        const char* error;
    };
    const Case cases[] = {
        {"no default model folder", "", "voice not installed"},
        {"model folder without joiner", utf8_path(helper.model("a 1\n", false)), "voice not installed"},
        {"folder that does not exist", utf8_path(helper.folder().path() / "nowhere"), "voice not installed"},
        {"joiner the library cannot parse", utf8_path(helper.tiny_model_with("joiner-tiny.onnx", "not a model")),
         "voice model could not be loaded"},
        {"encoder that is no ONNX model", utf8_path(helper.tiny_model_with("encoder-tiny.onnx", "not a model")),
         "voice model could not be loaded"},
        // Files that would make the library end the process, or throw out of
        // decoding, are refused before it reads them.
        {"encoder without a model type", utf8_path(helper.tiny_model_with("encoder-untyped.onnx", "")),
         "voice model could not be loaded"},
        {"encoder of a CTC model", utf8_path(helper.tiny_model_with("encoder-ctc.onnx", "")),
         "voice model could not be loaded"},
        {"decoder without its vocabulary size", utf8_path(helper.tiny_model_with("decoder-unsized.onnx", "")),
         "voice model could not be loaded"},
        {"token table smaller than the vocabulary", utf8_path(helper.tiny_model("<blk> 0\n▁XIN 1\n")),
         "voice model could not be loaded"},
        {"token line with three fields", utf8_path(helper.tiny_model("<blk> 0\n▁XIN 1 2\n▁chào 2\n<unk> 3\n")),
         "voice model could not be loaded"},
        {"token table cut in a line", utf8_path(helper.tiny_model("<blk> 0\n▁XIN 1\n▁ch")),
         "voice model could not be loaded"},
        {"token ids with a gap", utf8_path(helper.tiny_model("<blk> 0\n▁XIN 1\n<unk> 3\n")),
         "voice model could not be loaded"},
        {"empty token table", utf8_path(helper.tiny_model("\n")), "voice model could not be loaded"},
    };
    for (const Case& c : cases) {
        if (c.modelDir.empty()) {
            unset_env("MIRADOT_VOICE_MODEL_DIR");
        } else {
            set_env("MIRADOT_VOICE_MODEL_DIR", c.modelDir);
        }
        load_recognizer(state);
        EXPECT_EQ(state.recognizer, nullptr) << c.name;
        EXPECT_EQ(state.load_error, c.error) << c.name;
    }
}

TEST_F(RecognizerLoad, RealLibraryLoadsAndDecodesTheTinyModel)
{
    helper.install_library(real_library_dir() / SHERPA_LIBRARY_NAME);
    // A table in the library's other accepted forms: CR LF line ends, a
    // signed id, a blank line, and the space symbol given by its id alone.
    const char* tables[] = {"", "<blk> 0\r\n▁XIN +1\r\n\r\n▁chào 2\r\n3\r\n"};
    for (const char* tokens : tables) {
        VoiceHelperState fresh;
        fresh.helperDir = helper.helperDir();
        set_env("MIRADOT_VOICE_MODEL_DIR", utf8_path(helper.tiny_model(tokens)));
        load_recognizer(fresh);
        ASSERT_NE(fresh.recognizer, nullptr) << fresh.load_error;
        EXPECT_EQ(fresh.load_error, "");
    }
}

TEST_F(RecognizerLoad, ModelInstalledLaterIsPickedUpAndKept)
{
    helper.install_library(scripted_library());
    load_recognizer(state);
    EXPECT_EQ(state.load_error, "voice not installed");
    // The default folder and its parents now exist, ready for the installer.
    std::filesystem::path models = helper.folder().path() / "appdata" / "miraDot" / "models";
    EXPECT_TRUE(std::filesystem::is_directory(models));

    std::filesystem::path model = helper.model("xin chào\n-0.1\n");
    std::filesystem::rename(model, models / DEFAULT_MODEL_NAME);
    load_recognizer(state);
    ASSERT_NE(state.recognizer, nullptr);
    EXPECT_EQ(state.load_error, "");

    const SherpaOnnxOfflineRecognizer* first = state.recognizer;
    std::filesystem::remove_all(models / DEFAULT_MODEL_NAME);
    load_recognizer(state);
    EXPECT_EQ(state.recognizer, first);
}

TEST_F(RecognizerLoad, OverlongLocalAppDataMeansNotInstalled)
{
    helper.install_library(scripted_library());
    set_env("LOCALAPPDATA", std::string(240, 'x'));
    load_recognizer(state);
    EXPECT_EQ(state.load_error, "voice not installed");
}

TEST(FindModelFile, PicksTheFirstNameInOrder)
{
    TestFolder folder;
    folder.write("encoder-epoch-99.onnx", "");
    folder.write("encoder-epoch-99.int8.onnx", "");
    folder.write("decoder.onnx.bak", "");
    folder.write("tokens.txt", "");
    EXPECT_EQ(find_model_file(folder.path(), "encoder", ".onnx").filename(), "encoder-epoch-99.int8.onnx");
    EXPECT_TRUE(find_model_file(folder.path(), "decoder", ".onnx").empty());
    EXPECT_TRUE(find_model_file(folder.path() / "absent", "encoder", ".onnx").empty());
}

TEST(RecognizerThreads, HalfTheProcessorsButAtLeastTwo)
{
    const std::pair<unsigned, int> cases[] = {{12, 6}, {2, 2}, {4, 2}, {5, 2}, {1, 2}, {0, 2}, {9, 4}};
    for (auto [processors, threads] : cases)
        EXPECT_EQ(recognizer_threads(processors), threads) << processors;
}

}  // namespace
