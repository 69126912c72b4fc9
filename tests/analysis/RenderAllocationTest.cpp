// A drawing whose parts cannot get their working memory on their threads ends with
// MessageId::AllocationFailed on the calling thread: no exception leaves RenderImage, and the next
// drawing works.
#include <gtest/gtest.h>

#include <thread>

#include "SyntheticImage.hpp"
#include "common/RecordingReporter.hpp"
#include "tests/support/AllocationHook.hpp"

namespace korvane {
namespace {

TEST(RenderAllocation, AFailureOnAPartsThreadIsMessageElevenNotAnException) {
    if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one processor: no parts to fail";
    if (!test::allocation::kHooked)
        GTEST_SKIP() << "the allocation hook is off under AddressSanitizer";
    ImageDescriptor image = test::makeImage(1024, 1024, 100);
    for (const ImageSubMode mode : {ImageSubMode::Composite, ImageSubMode::Channel}) {
        RenderSettings s = test::identitySettings(2048, 2048);
        s.subMode = mode;
        s.magnification = 2; // every part builds its rows before widening them
        platform::Surface picture;
        RecordingReporter reporter;
        RenderOutcome outcome;
        std::size_t failures = 0;
        // The calling thread takes parts too: on a busy machine it may finish them all before
        // a worker wakes, and the drawing then succeeds. Until a worker took a part, again.
        for (int attempt = 0; attempt < 200 && failures == 0; ++attempt) {
            reporter = RecordingReporter{};
            const test::allocation::FailOnOtherThreads failing;
            EXPECT_NO_THROW(outcome = RenderImage(image, s, picture, reporter));
            failures = test::allocation::FailOnOtherThreads::failures();
        }
        ASSERT_GT(failures, 0u) << "no part ran on a thread of its own in 200 drawings";
        EXPECT_EQ(outcome.status, kFailed);
        ASSERT_EQ(reporter.numbers(), std::vector<int>{11});
        EXPECT_NE(reporter.records()[0].shown.text.find("picture drawing tables"),
                  std::string::npos);

        RecordingReporter again;
        const RenderOutcome next = RenderImage(image, s, picture, again);
        EXPECT_EQ(next.status, kOk);
        EXPECT_TRUE(again.records().empty());
    }
}

} // namespace
} // namespace korvane
