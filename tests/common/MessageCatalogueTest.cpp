#include <gtest/gtest.h>

#include "common/RecordingReporter.hpp"

namespace korvane {
namespace {

TEST(MessageCatalogue, NumbersWithoutEntryAreReportedThemselves) {
    RecordingReporter r;
    r.ShowMessage(static_cast<MessageId>(38));
    r.ShowMessage(static_cast<MessageId>(-1));
    r.ShowMessage(static_cast<MessageId>(36));
    r.ShowMessage(static_cast<MessageId>(1000), "text");
    ASSERT_EQ(r.records().size(), 4u);
    EXPECT_EQ(r.records()[0].shown.text, "Invalid message number: 38");
    EXPECT_EQ(r.records()[1].shown.text, "Invalid message number: -1");
    EXPECT_EQ(r.records()[2].shown.text, "Invalid message number: 36");
    EXPECT_EQ(r.records()[3].shown.text, "Invalid message number: 1000");
    for (const auto& rec : r.records())
        EXPECT_EQ(rec.shown.caption, "Program Error");
}

TEST(MessageCatalogue, IntegersAndTextsFillTheirPlaceholders) {
    RecordingReporter r;
    r.ShowMessage(MessageId::AllocationFailed, 4096, "temporary recovery template array");
    r.ShowMessage(MessageId::LogicTraceValues, 7, -1, -12, "trace", "unused");
    r.ShowMessage(MessageId::InputOpenFailed, "/tmp/x.cr2", "File not found");
    r.ShowMessage(MessageId::UnsupportedCamera, "Canon", "EOS 5D");
    const auto& rec = r.records();
    EXPECT_EQ(rec[0].shown.text,
              "Storage allocation of 4096 bytes failed for\ntemporary recovery template array");
    EXPECT_EQ(rec[0].shown.caption, "Memory allocation");
    EXPECT_EQ(rec[1].shown.text, "Program logic trace\ntrace, 7, ?, -12");
    EXPECT_EQ(rec[1].shown.caption, "Debugging");
    EXPECT_EQ(rec[2].shown.text, "Error opening file /tmp/x.cr2 for input:\nFile not found");
    EXPECT_EQ(rec[3].shown.text, "Unsupported camera\nMake: \"Canon\" \nModel: \"EOS 5D\"");
    EXPECT_EQ(rec[3].shown.caption, "Implementation");
    // The names carry the numbers the user sees.
    EXPECT_EQ(std::vector<int>({rec[0].shown.number, rec[1].shown.number, rec[2].shown.number,
                                rec[3].shown.number}),
              (std::vector<int>{11, 21, 2, 22}));
}

TEST(MessageCatalogue, MissingArgumentsShowQuestionMarks) {
    RecordingReporter r;
    r.ShowMessage(MessageId::ProcessingFailed);
    r.ShowMessage(MessageId::NoRecoveryTemplate);
    EXPECT_EQ(r.records()[0].shown.text, "Error when processing file ?:\n?");
    EXPECT_EQ(r.records()[1].shown.text, "There is no recovery template associated with F?");
}

// Each placeholder is filled once, from the catalogue's text: a file named "a%2sb.dng"
// keeps its name, and integer placeholders in a text argument stay too.
TEST(MessageCatalogue, PlaceholdersBroughtInByAnArgumentStayAsTheyAre) {
    RecordingReporter r;
    r.ShowMessage(MessageId::InconsistentSpecification, "a%2sb.dng", "tile count");
    r.ShowMessage(MessageId::InputOpenFailed, "/p/%1i%2s%1s.nef", "No such file or directory");
    r.ShowMessage(MessageId::AllocationFailed, 7, "x %1i %3i");
    EXPECT_EQ(r.records()[0].shown.text,
              "The image file a%2sb.dng contains inconsistent specification:\ntile count");
    EXPECT_EQ(r.records()[1].shown.text,
              "Error opening file /p/%1i%2s%1s.nef for input:\nNo such file or directory");
    EXPECT_EQ(r.records()[2].shown.text, "Storage allocation of 7 bytes failed for\nx %1i %3i");
}

TEST(MessageCatalogue, TextWithoutPlaceholdersIsShownUnchanged) {
    RecordingReporter r;
    r.ShowMessage(MessageId::TooShortForTiff, 1, 2, 3, "a", "b");
    r.ShowMessage(MessageId::UpdateUnsupported, "ignored");
    EXPECT_EQ(r.records()[0].shown.text, "Input file too short for TIFF");
    EXPECT_EQ(r.records()[1].shown.text,
              "Updating image data is not supported with this image file");
    EXPECT_EQ(r.records()[1].shown.caption, "Updating image data");
}

TEST(MessageCatalogue, AWholeTextIsShownUnderTheEntrysCaption) {
    RecordingReporter r;
    r.ShowWholeMessage(MessageId::FrequencyAnalysisResult, "peak at %1i");
    EXPECT_EQ(r.records()[0].shown.text, "peak at %1i");
    EXPECT_EQ(r.records()[0].shown.caption, "Frequency Analysis");
    r.ShowWholeMessage(static_cast<MessageId>(40), "x");
    EXPECT_EQ(r.records()[1].shown.text, "Invalid message number: 40");
}

TEST(MessageCatalogue, CaptionsOfTheMessageGroups) {
    const std::pair<int, const char*> expected[] = {
        {0, "Program Error"},
        {1, "Image input file processing error"},
        {9, "Image input file processing error"},
        {12, "Image processing"},
        {17, "Clipboard operation"},
        {24, "Implementation"},
        {29, "Updating image data"},
        {31, "Internal information"},
        {32, "Recovery progress"},
        {35, "Recovery progress"},
        {37, "Frequency Analysis"},
    };
    for (const auto& [number, caption] : expected)
        EXPECT_EQ(formatMessage(static_cast<std::int16_t>(number), {}).caption, caption) << number;
}

TEST(MessageCatalogue, TextsHoldingATextThatLooksLikeAPlaceholderDoNotLoop) {
    RecordingReporter r;
    r.ShowMessage(MessageId::Information, "%1s%1s");
    EXPECT_EQ(r.records()[0].shown.text, "%1s%1s");
}

} // namespace
} // namespace korvane
