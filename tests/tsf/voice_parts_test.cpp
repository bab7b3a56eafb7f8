// The voice client's pieces that need no helper: the worker's command queue,
// the helper's place in the install folder, transcripts split into edit
// requests, and replies still queued when the message window goes.
#include "../../tsf/voice_client.h"
#include "../../tsf/voice_worker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
using namespace miradot;

TEST(VoiceWorkerQueue, KeepsSixteenCommandsOldestFirstAndDropsTheSeventeenth)
{
    VoiceWorker* worker = voice_worker_create(nullptr, L"C:\\miraDot\\miraDot-Voice.exe");
    ASSERT_NE(worker, nullptr);
    for (int i = 0; i < VOICE_QUEUE_CAPACITY; ++i)
        EXPECT_TRUE(voice_worker_queue(worker, VOICE_CMD_OPEN + i % 3)) << i;
    EXPECT_FALSE(voice_worker_queue(worker, VOICE_CMD_STOP));
    EXPECT_EQ(worker->queueLength, VOICE_QUEUE_CAPACITY);
    EXPECT_EQ(worker->queue[0], VOICE_CMD_OPEN);
    EXPECT_EQ(worker->queue[15], VOICE_CMD_OPEN);  // the sixteenth, not the dropped stop
    EXPECT_EQ(WaitForSingleObject(worker->wakeEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(std::wstring(worker->helperPath), L"C:\\miraDot\\miraDot-Voice.exe");
    voice_worker_detach(worker);  // the processor's reference
    EXPECT_TRUE(worker->stopRequested);
    EXPECT_EQ(worker->messageWindow, nullptr);
    EXPECT_EQ(worker->refCount, 1);
    voice_worker_release(worker);  // the thread's: the last one frees the record
}

TEST(VoiceHelperPath, IsTheParentOfTheDllFolder)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Program Files\\miraDot\\tsf\\miradot_tsf.dll", L"C:\\Program Files\\miraDot\\miraDot-Voice.exe"},
        {L"Z:\\stage\\tsf\\miradot_tsf.dll", L"Z:\\stage\\miraDot-Voice.exe"},
        {L"C:\\miradot_tsf.dll", L""},
        {L"miradot_tsf.dll", L""},
        {L"", L""},
    };
    for (const auto& [module, helper] : cases) {
        wchar_t path[260] = L"stale";
        voice_helper_path(module, path);
        EXPECT_EQ(std::wstring(path), helper);
    }
    std::wstring deep = L"C:\\" + std::wstring(250, L'x') + L"\\tsf\\miradot_tsf.dll";
    wchar_t path[260];
    voice_helper_path(deep.c_str(), path);
    EXPECT_EQ(std::wstring(path), L"");  // too long for the path buffer
}

std::u16string joined(const std::vector<EditRequest>& requests)
{
    std::u16string text;
    for (const EditRequest& request : requests) {
        EXPECT_LE(request.commitLength, 599);
        EXPECT_EQ(request.commitText[request.commitLength], 0);
        EXPECT_EQ(request.deleteCount + request.compositionLength + request.keepCount, 0);
        text.append(request.commitText, request.commitLength);
    }
    return text;
}

TEST(TranscriptRequests, SplitLongTextWithoutLosingOrCuttingACharacter)
{
    EXPECT_TRUE(transcript_requests("").empty());
    EXPECT_TRUE(transcript_requests("ab\xFF").empty());  // not UTF-8

    std::vector<EditRequest> one = transcript_requests("Xin ch\xC3\xA0o");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(joined(one), u"Xin ch\u00E0o");

    // 598 letters and then a character outside the basic plane: the pair
    // would straddle the end of the first request.
    std::string text(598, 'a');
    text += "\xF0\x9F\x98\x80";
    std::u16string expected(598, u'a');
    expected += u"\U0001F600";
    for (int i = 0; i < 700; ++i) {
        text += "\xE1\xBB\x87";  // ệ
        expected += u'\u1EC7';
    }
    std::vector<EditRequest> several = transcript_requests(text);
    ASSERT_EQ(several.size(), 3u);
    EXPECT_EQ(several[0].commitLength, 598);
    EXPECT_EQ(joined(several), expected);
}

class CountingSink final : public VoiceWindowSink {
public:
    void on_voice_reply(int command, const char* reply) override
    {
        last = std::to_string(command) + ":" + (reply ? reply : "(none)");
        ++replies;
    }
    void on_note_timeout() override { ++timeouts; }
    int replies = 0;
    int timeouts = 0;
    std::string last;
};

char* copy(const char* text)
{
    char* heap = static_cast<char*>(std::malloc(std::strlen(text) + 1));
    std::strcpy(heap, text);
    return heap;
}

void pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

TEST(VoiceMessageWindow, HandsRepliesToItsSinkAndFreesThoseLeftWhenItGoes)
{
    CountingSink sink;
    HWND window = create_voice_message_window(&sink);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PostMessageW(window, WM_VOICE_REPLY, VOICE_CMD_STOP, reinterpret_cast<LPARAM>(copy("{\"ok\":true}"))));
    ASSERT_TRUE(PostMessageW(window, WM_VOICE_REPLY, VOICE_CMD_OPEN, 0));
    pump();
    EXPECT_EQ(sink.replies, 2);
    EXPECT_EQ(sink.last, "1:(none)");

    SetTimer(window, VOICE_NOTE_TIMER, 10, nullptr);
    Sleep(50);
    pump();
    EXPECT_EQ(sink.timeouts, 1);  // and the timer is gone with it
    Sleep(50);
    pump();
    EXPECT_EQ(sink.timeouts, 1);

    // Replies posted just before the window goes are freed, not handled.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(PostMessageW(window, WM_VOICE_REPLY, VOICE_CMD_STOP, reinterpret_cast<LPARAM>(copy("late"))));
    EXPECT_EQ(destroy_voice_message_window(window), 3);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(sink.replies, 2);
}

}  // namespace
