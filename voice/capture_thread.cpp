#include "capture_thread.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace miradot {

CaptureThread* CaptureThread::start(std::function<void()> body)
{
    auto* thread = new CaptureThread;
    std::shared_ptr<Shared> shared = thread->shared_;
    try {
        std::thread([shared, body = std::move(body)] {
            body();
            std::lock_guard<std::mutex> guard(shared->lock);
            shared->finished = true;
            shared->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        delete thread;
        return nullptr;
    }
    return thread;
}

void CaptureThread::finish(unsigned timeoutMs)
{
    {
        std::unique_lock<std::mutex> guard(shared_->lock);
        shared_->done.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return shared_->finished; });
    }
    delete this;
}

}  // namespace miradot
