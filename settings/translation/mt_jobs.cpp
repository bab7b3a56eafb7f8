// translation: the translation feature's platform-neutral decisions (catalogue, jobs, texts, toggles, area).
#include "mt_jobs.h"

#include <cstring>

namespace {

bool same_code(const TranslationJob& job, const std::string& code)
{
    return code.compare(0, 7, job.code) == 0 && code.size() <= 7;
}

}  // namespace

bool TranslationQueue::queue(int kind, const std::string& code, int report)
{
    if (count_ == MAX_WAITING_JOBS || pending(code))
        return false;
    TranslationJob& job = waiting_[count_++];
    job.kind = kind;
    std::memset(job.code, 0, sizeof job.code);
    code.copy(job.code, 7);
    job.report = report;
    return true;
}

bool TranslationQueue::pending(const std::string& code) const
{
    if (running() && same_code(current_, code))
        return true;
    for (int i = 0; i < count_; ++i)
        if (same_code(waiting_[i], code))
            return true;
    return false;
}

bool TranslationQueue::start_next()
{
    if (running() || count_ == 0)
        return false;
    current_ = waiting_[0];
    for (int i = 1; i < count_; ++i)
        waiting_[i - 1] = waiting_[i];
    --count_;
    running_.exchange(1);
    return true;
}

void TranslationQueue::finish() { running_.exchange(0); }

int TranslationQueue::take_report()
{
    int report = current_.report;
    current_.report = 0;
    return report;
}
