// The once-per-process engine data of the text service, on real files and
// the real (Wine) registry.
#include "case_name.h"
#include "context_words.h"
#include "engine.h"
#include "engine_host.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace miradot;

namespace {

namespace fs = std::filesystem;

const char LEXICON[] = "xin\t10\nchao\t8\n";

struct DataLayout {
    const char* what;
    std::vector<const char*> files;  // relative to the install folder
    const wchar_t* module;           // where the DLL lies, relative likewise
    bool loads;
};

void PrintTo(const DataLayout& c, std::ostream* os) { *os << c.what; }

class DataDirectory : public testing::TestWithParam<DataLayout> {};

TEST_P(DataDirectory, IsFoundBesideTheDllOrOneLevelUp)
{
    TempFolder install(L"miradot-data");
    for (const char* file : GetParam().files)
        install.write(file, LEXICON);
    fs::create_directories(install.path() / "tsf" / "empty" / "data");
    EXPECT_EQ(load_engine_data_near((install.path() / GetParam().module).wstring()), GetParam().loads);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DataDirectory,
    testing::Values(DataLayout{"beside the DLL", {"tsf/data/vi.tsv"}, L"tsf\\miradot_tsf.dll", true},
                    DataLayout{"one level up", {"data/vi.tsv"}, L"tsf\\miradot_tsf.dll", true},
                    DataLayout{"empty beside, full one up",
                               {"tsf/empty/x", "tsf/data/vi.tsv"},
                               L"tsf\\empty\\miradot_tsf.dll",
                               true},
                    DataLayout{"two levels up", {"data/vi.tsv"}, L"tsf\\deeper\\miradot_tsf.dll", false},
                    DataLayout{"no lexicon file in it", {"data/readme.txt"}, L"tsf\\miradot_tsf.dll", false},
                    DataLayout{"no data folder", {"other/vi.tsv"}, L"tsf\\miradot_tsf.dll", false}),
    [](const auto& info) { return case_name(info.param.what); });

TEST(ContextWordsOfTheHost, ComeFromBothCorrectionFiles)
{
    TempFolder install(L"miradot-context");
    install.write("data/corrections.tsv", "toi di\tt\xC3\xB4i \xC4\x91i\n");
    install.write("data/corrections_ctx.tsv", "ban be\tb\xE1\xBA\xA1n b\xC3\xA8\n");
    ASSERT_TRUE(load_engine_data_near((install.path() / "miradot_tsf.dll").wstring()));
    EXPECT_TRUE(is_context_word(L"Toi", 3));
    EXPECT_TRUE(is_context_word(L"ban", 3));
    EXPECT_FALSE(is_context_word(L"di", 2));
}

struct CorrectionCase {
    const char* what;
    std::string file;
    const wchar_t* word;
    bool contained;
};

void PrintTo(const CorrectionCase& c, std::ostream* os) { *os << c.what; }

class ContextWordFile : public testing::TestWithParam<CorrectionCase> {};

TEST_P(ContextWordFile, TakesFirstWordsThatTheCorrectionChanges)
{
    TempFolder folder(L"miradot-words");
    ContextWords words;
    words.load_file(folder.write("corrections.tsv", GetParam().file).wstring());
    std::wstring word = GetParam().word;
    EXPECT_EQ(words.contains(word.c_str(), word.size()), GetParam().contained);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ContextWordFile,
    testing::Values(
        CorrectionCase{"changed first word", "toi di\tt\xC3\xB4i \xC4\x91i\n", L"TOI", true},
        CorrectionCase{"same first word", "ba me\tba m\xE1\xBA\xB9\n", L"ba", false},
        CorrectionCase{"comment line", "#xa lo\txa l\xE1\xBB\x8D\n", L"#xa", false},
        CorrectionCase{"one-word correction", "khong\tkh\xC3\xB4ng\n", L"khong", false},
        CorrectionCase{"no tab", "toi di t\xC3\xB4i \xC4\x91i\n", L"toi", false},
        CorrectionCase{"upper-case Vietnamese", "\xC4\x90i hoc\t\xC4\x91i h\xE1\xBB\x8D\x63\n", L"\u0110I", true},
        CorrectionCase{"last line without line feed", "xx\tyy\nmot hai\tm\xE1\xBB\x99t hai", L"mot", true},
        CorrectionCase{"carriage returns", "bon nam\tb\xE1\xBB\x91n n\xC4\x83m\r\n", L"bon", true},
        CorrectionCase{"word of 24 letters", std::string(24, 'w') + " x\ty z\n", std::wstring(24, L'w').c_str(), false},
        CorrectionCase{"empty file", "", L"toi", false}),
    [](const auto& info) { return case_name(info.param.what); });

TEST(ContextWordFile, KeepsEachWordOnceAndAtMost1024)
{
    std::string file;
    for (int i = 0; i < 1100; ++i)
        file += "w" + std::to_string(i) + " x\tv" + std::to_string(i) + " x\n";
    file = "w0 y\tz y\n" + file;
    TempFolder folder(L"miradot-many");
    ContextWords words;
    words.load_file(folder.write("corrections.tsv", file).wstring());
    EXPECT_EQ(words.size(), ContextWords::MAX_WORDS);
    EXPECT_TRUE(words.contains(L"w1023", 5));  // w0 came twice but counts once
    EXPECT_FALSE(words.contains(L"w1024", 5));
}

// Sets or clears an environment variable for one test.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, std::optional<std::wstring> value) : name_(name)
    {
        wchar_t old[32768];
        DWORD n = GetEnvironmentVariableW(name, old, 32768);
        if (n > 0)
            old_ = std::wstring(old, n);
        SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }

private:
    const wchar_t* name_;
    std::optional<std::wstring> old_;
};

struct PathCase {
    const char* what;
    std::optional<std::wstring> userFile;
    bool appDataUsable;
    std::optional<std::wstring> expected;  // "<appdata>" stands for the folder
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.what; }

class LearnedDataPath : public testing::TestWithParam<PathCase> {};

TEST_P(LearnedDataPath, PrefersTheOverrideAndCreatesOnlyTheFolderItUses)
{
    TempFolder appData(L"miradot-appdata");
    std::wstring appDataValue = GetParam().appDataUsable ? appData.path().wstring() : std::wstring(240, L'a');
    ScopedVariable user(L"MIRADOT_USER_FILE", GetParam().userFile);
    ScopedVariable roaming(L"APPDATA", appDataValue);

    std::wstring path;
    bool found = learned_data_path(&path);
    ASSERT_EQ(found, GetParam().expected.has_value());
    if (!found)
        return;
    std::wstring expected = *GetParam().expected;
    bool usesAppData = expected == L"<appdata>";
    if (usesAppData)
        expected = (appData.path() / "miraDot" / "user.tsv").wstring();
    EXPECT_EQ(path, expected);
    EXPECT_EQ(fs::is_directory(appData.path() / "miraDot"), usesAppData);
}

INSTANTIATE_TEST_SUITE_P(Environments, LearnedDataPath,
                         testing::Values(PathCase{"override", L"C:\\learned\\mine.tsv", true, L"C:\\learned\\mine.tsv"},
                                         PathCase{"roaming profile", std::nullopt, true, L"<appdata>"},
                                         PathCase{"override too long", std::wstring(260, L'u'), true, L"<appdata>"},
                                         PathCase{"empty override", L"", true, L"<appdata>"},
                                         PathCase{"roaming profile too long", std::nullopt, false, std::nullopt}),
                         [](const auto& info) { return case_name(info.param.what); });

std::wstring settings_key() { return L"Software\\miraDot\\engine-host-test-" + std::to_wstring(GetCurrentProcessId()); }

void write_clear_seq(DWORD value)
{
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, settings_key().c_str(), L"ClearSeq", REG_DWORD, &value, 4),
              ERROR_SUCCESS);
}

int locked_learned_count()
{
    EngineLock lock;
    return learned_count();
}

// One learned-data file for the whole process, as in a host application; the
// tests run in order against it.
class LearnedData : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new TempFolder(L"miradot-learned");
        file_ = folder_->write("user.tsv", "# miraDot learned data v1\no\tvieet\tv\t1\np\txin\t2\np\tch\xC3\xA0o\t1\n");
        SetEnvironmentVariableW(L"MIRADOT_USER_FILE", file_.c_str());
        SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", settings_key().c_str());
        write_clear_seq(3);
        ASSERT_TRUE(ensure_learned_data());
    }
    static void TearDownTestSuite()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, settings_key().c_str());
        delete folder_;
    }

    static TempFolder* folder_;
    static fs::path file_;
};

TempFolder* LearnedData::folder_ = nullptr;
fs::path LearnedData::file_;

TEST_F(LearnedData, IsLoadedOncePerProcess)
{
    EXPECT_EQ(locked_learned_count(), 3);
    ASSERT_TRUE(ensure_learned_data());
    note_learning_change();
    save_learned_if_due(true);
    std::string saved = read_file(file_);
    EXPECT_NE(saved.find("p\txin\t2\n"), std::string::npos) << saved;
}

TEST_F(LearnedData, SavesNothingWithoutNewLearning)
{
    fs::remove(file_);
    save_learned_if_due(true);
    save_learned_if_due(false);
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(LearnedData, WaitsForTheIntervalUnlessForced)
{
    fs::remove(file_);
    note_learning_change();
    save_learned_if_due(false);
    EXPECT_FALSE(fs::exists(file_));
    save_learned_if_due(true);
    EXPECT_TRUE(fs::exists(file_));
}

// Waits out the real interval once: the schedule is the point of the test.
TEST_F(LearnedData, SavesUnforcedOnceTheIntervalHasPassed)
{
    note_learning_change();
    save_learned_if_due(true);
    fs::remove(file_);
    note_learning_change();
    Sleep(30100);
    save_learned_if_due(false);
    EXPECT_TRUE(fs::exists(file_));
}

TEST_F(LearnedData, FailedSaveIsRetriedAtTheNextSave)
{
    fs::remove(file_);
    fs::path blocker = file_.wstring() + L".tmp";
    fs::create_directory(blocker);  // the save's temporary file cannot be made
    note_learning_change();
    save_learned_if_due(true);
    EXPECT_FALSE(fs::exists(file_));
    fs::remove(blocker);
    save_learned_if_due(true);
    EXPECT_TRUE(fs::exists(file_));
}

TEST_F(LearnedData, RaisedClearCounterDropsWhatWasLearned)
{
    ASSERT_GT(locked_learned_count(), 0);
    write_clear_seq(4);
    fs::remove(file_);  // as the settings program does before raising it
    note_learning_change();
    save_learned_if_due(true);
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_EQ(locked_learned_count(), 0);

    note_learning_change();
    save_learned_if_due(true);
    EXPECT_EQ(read_file(file_).find("xin"), std::string::npos);
}

}  // namespace
