// translation: the translation feature's platform-neutral decisions (catalogue, jobs, texts, toggles, area).
// The queue of translation install and remove jobs: one current job, up to
// 64 waiting, never two for the same language. Changed on the settings
// dialog's thread only; the running flag is also read by the job thread.
#pragma once

#include <atomic>
#include <string>

constexpr int JOB_INSTALL = 0;
constexpr int JOB_REMOVE = 1;
constexpr int MAX_WAITING_JOBS = 64;

struct TranslationJob {
    int kind = JOB_INSTALL;
    char code[8] = {};
    int report = 0;  // 1: from "Cài bản dịch", its progress also shows in the status line
};

class TranslationQueue {
public:
    // False when the queue is full or the language already has a job.
    bool queue(int kind, const std::string& code, int report);
    // The code is the current job's or waits.
    bool pending(const std::string& code) const;
    // Makes the first waiting job current when none runs; false otherwise.
    bool start_next();
    // The current job has ended.
    void finish();
    bool running() const { return running_.load() != 0; }
    const TranslationJob& current() const { return current_; }
    int waiting() const { return count_; }
    // The current job's report flag, cleared.
    int take_report();

private:
    TranslationJob waiting_[MAX_WAITING_JOBS];
    int count_ = 0;
    TranslationJob current_;
    std::atomic<int> running_{0};
};
