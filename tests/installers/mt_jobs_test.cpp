#include <gtest/gtest.h>

#include "mt_jobs.h"

namespace {

TEST(TranslationQueue, RunsOneJobAtATimeInOrderAndNeverTwoForALanguage)
{
    TranslationQueue jobs;
    EXPECT_FALSE(jobs.start_next()) << "nothing waits";
    EXPECT_TRUE(jobs.queue(JOB_INSTALL, "vi", 1));
    EXPECT_TRUE(jobs.queue(JOB_INSTALL, "fr", 0));
    EXPECT_TRUE(jobs.queue(JOB_REMOVE, "de", 0));
    EXPECT_FALSE(jobs.queue(JOB_REMOVE, "fr", 0)) << "fr already waits";
    ASSERT_TRUE(jobs.start_next());
    EXPECT_TRUE(jobs.running());
    EXPECT_STREQ(jobs.current().code, "vi");
    EXPECT_FALSE(jobs.queue(JOB_INSTALL, "vi", 0)) << "vi is current";
    EXPECT_FALSE(jobs.start_next()) << "one job at a time";
    EXPECT_TRUE(jobs.pending("vi"));
    EXPECT_TRUE(jobs.pending("de"));
    EXPECT_FALSE(jobs.pending("ja"));
    EXPECT_EQ(jobs.take_report(), 1);
    EXPECT_EQ(jobs.take_report(), 0);

    jobs.finish();
    EXPECT_FALSE(jobs.pending("vi"));
    ASSERT_TRUE(jobs.start_next());
    EXPECT_STREQ(jobs.current().code, "fr");
    jobs.finish();
    ASSERT_TRUE(jobs.start_next());
    EXPECT_STREQ(jobs.current().code, "de");
    EXPECT_EQ(jobs.current().kind, JOB_REMOVE);
    EXPECT_EQ(jobs.waiting(), 0);
}

TEST(TranslationQueue, HoldsSixtyFourWaitingJobsAndCutsCodes)
{
    TranslationQueue jobs;
    for (int i = 0; i < MAX_WAITING_JOBS; ++i)
        EXPECT_TRUE(jobs.queue(JOB_INSTALL, "c" + std::to_string(i), 0));
    EXPECT_FALSE(jobs.queue(JOB_INSTALL, "full", 0));
    ASSERT_TRUE(jobs.start_next());
    EXPECT_TRUE(jobs.queue(JOB_INSTALL, "abcdefghij", 0));
    EXPECT_TRUE(jobs.pending("abcdefg"));
    EXPECT_FALSE(jobs.pending("abcdefghij")) << "only the cut code is kept";
}

}  // namespace
