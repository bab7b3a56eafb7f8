// Several UI threads activating at once and typing at the same time, as in a
// host process with several windows.
#include "engine.h"
#include "engine_host.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int THREADS = 8;
constexpr int KEYS_PER_THREAD = 400;

struct ThreadResult {
    bool dataLoaded = false;
    bool learnedLoaded = false;
};

// Without a DLL the host looks next to this program for "data".
fs::path program_folder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

TEST(EngineHost, SerialisesConcurrentActivationAndTyping)
{
    TempFolder folder(L"miradot-threads");
    fs::path data = program_folder() / "data";
    fs::create_directories(data);
    std::ofstream(data / "vi.tsv", std::ios::binary) << "xin\t10\nch\xC3\xA0o\t8\n";
    std::ofstream(data / "corrections.tsv", std::ios::binary) << "toi di\tt\xC3\xB4i \xC4\x91i\n";
    fs::path learned = folder.write("user.tsv", "# miraDot learned data v1\np\tzzqq\t5\n");
    SetEnvironmentVariableW(L"MIRADOT_USER_FILE", learned.c_str());
    std::wstring key = L"Software\\miraDot\\threads-test-" + std::to_wstring(GetCurrentProcessId());
    SetEnvironmentVariableW(L"MIRADOT_SETTINGS_KEY", key.c_str());

    HANDLE start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    volatile LONG inside = 0;
    volatile LONG overlaps = 0;
    std::vector<ThreadResult> results(THREADS);
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&, t] {
            WaitForSingleObject(start, INFINITE);
            results[t].dataLoaded = ensure_engine_data();
            results[t].learnedLoaded = ensure_learned_data();
            EngineContext* context = engine_create();
            EngineOutput out;
            for (int i = 0; i < KEYS_PER_THREAD; ++i) {
                {
                    EngineLock lock;
                    if (InterlockedIncrement(&inside) != 1)
                        InterlockedIncrement(&overlaps);
                    engine_key(context, i % 7 == 6 ? ' ' : 'a' + (i + t) % 26, &out);
                    InterlockedDecrement(&inside);
                }
                note_learning_change();
                if (i % 50 == 0)
                    save_learned_if_due(false);
            }
            save_learned_if_due(true);
            engine_destroy(context);
        });
    }
    SetEvent(start);
    for (auto& thread : threads)
        thread.join();
    CloseHandle(start);

    EXPECT_EQ(overlaps, 0);
    for (const ThreadResult& r : results) {
        EXPECT_TRUE(r.dataLoaded);
        EXPECT_TRUE(r.learnedLoaded);
    }
    EXPECT_TRUE(is_context_word(L"toi", 3));
    // Loaded twice, the record would have been counted twice.
    std::string saved = read_file(learned);
    EXPECT_NE(saved.find("p\tzzqq\t5\n"), std::string::npos) << saved;

    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    fs::remove_all(data);
}

} // namespace
