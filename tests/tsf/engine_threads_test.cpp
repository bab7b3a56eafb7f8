// Several UI threads activating at once and typing at the same time, as in a
// host process with several windows.
#include "engine.h"
#include "engine_host.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace miradot;

namespace {

namespace fs = std::filesystem;

constexpr int THREADS = 8;
constexpr int WORDS_PER_THREAD = 100;
constexpr int ROUNDS = 4;

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

std::string learned_line(const std::string& saved, const std::string& word)
{
    size_t at = saved.find("p\t" + word + "\t");
    return at == std::string::npos ? std::string() : saved.substr(at, saved.find('\n', at) - at);
}

// One round of activations on THREADS threads that each type the same word
// WORDS_PER_THREAD times, while another thread keeps saving.
void type_and_save_concurrently(std::vector<ThreadResult>& results, volatile LONG& overlaps)
{
    HANDLE start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    volatile LONG inside = 0;
    volatile LONG typing = THREADS;
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&, t] {
            WaitForSingleObject(start, INFINITE);
            results[t].dataLoaded = ensure_engine_data();
            results[t].learnedLoaded = ensure_learned_data();
            EngineContext* context = engine_create();
            EngineOutput out;
            // Every thread keeps the same word, so the learned count shows
            // whether an update was lost to a concurrent one.
            for (int i = 0; i < WORDS_PER_THREAD; ++i) {
                for (char c : std::string("xin ")) {
                    EngineLock lock;
                    if (InterlockedIncrement(&inside) != 1)
                        InterlockedIncrement(&overlaps);
                    engine_key(context, c, &out);
                    InterlockedDecrement(&inside);
                }
                note_learning_change();
                if (i % 10 == t % 10)
                    save_learned_if_due(false);
            }
            {
                EngineLock lock;
                engine_reset(context);  // counts the last word
            }
            note_learning_change();
            engine_destroy(context);
            InterlockedDecrement(&typing);
        });
    }
    // Forced saves, as from deactivations on other threads, while typing goes on.
    std::thread saver([&] {
        WaitForSingleObject(start, INFINITE);
        ensure_learned_data();
        while (InterlockedCompareExchange(&typing, 0, 0) > 0) {
            note_learning_change();
            save_learned_if_due(true);
            SwitchToThread();  // the lock is not fair: let the typists in
        }
    });
    SetEvent(start);
    for (auto& thread : threads)
        thread.join();
    saver.join();
    CloseHandle(start);
}

TEST(EngineHost, SerialisesConcurrentActivationTypingAndSaving)
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

    std::vector<ThreadResult> results(THREADS);
    volatile LONG overlaps = 0;
    // A lost update shows in some rounds only; a few make it near certain.
    for (int round = 1; round <= ROUNDS; ++round) {
        type_and_save_concurrently(results, overlaps);
        save_learned_if_due(true);  // the deactivation after the last word
        EXPECT_EQ(learned_line(read_file(learned), "xin"),
                  "p\txin\t" + std::to_string(round * THREADS * WORDS_PER_THREAD))
            << "round " << round;
    }

    EXPECT_EQ(overlaps, 0);
    for (const ThreadResult& r : results) {
        EXPECT_TRUE(r.dataLoaded);
        EXPECT_TRUE(r.learnedLoaded);
    }
    EXPECT_TRUE(is_context_word(L"toi", 3));
    // Loaded twice, the record would have been counted twice.
    EXPECT_EQ(learned_line(read_file(learned), "zzqq"), "p\tzzqq\t5");

    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    fs::remove_all(data);
}

}  // namespace
