#include <gtest/gtest.h>

#include <vector>

#include "SyntheticImage.hpp"
#include "analysis/BlackLevels.hpp"

namespace korvane {
namespace {

// The weighted black of one sample by plain integer division.
std::int32_t expected(std::int32_t c, std::int32_t r, std::int32_t wc, std::int32_t wr) {
    if (wc < 1 || wr < 1) return (c + r) / 2;
    return static_cast<std::int32_t>((std::int64_t{wc} * r + std::int64_t{wr} * c) / (wc + wr));
}

// Columns and rows with values and weightings at their extremes and in between, including
// quotients that come out whole.
ImageDescriptor arrays() {
    ImageDescriptor image = test::makeImage(64, 64);
    const std::int32_t values[] = {0, 1, 2, 511, 512, 4095, 16383, 32768, 65534, 65535};
    const std::int32_t weights[] = {-1, 0, 1, 2, 3, 7, 1000, 16384, 32766, 32767};
    for (int i = 0; i < 64; ++i) {
        image.blackDeltaH.push_back(static_cast<std::uint16_t>(values[i % 10] ^ (i / 10)));
        image.columnWeighting.push_back(static_cast<std::int16_t>(weights[(i * 3) % 10]));
        image.blackDeltaV.push_back(static_cast<std::uint16_t>(values[(i * 7) % 10]));
        image.rowWeighting.push_back(static_cast<std::int16_t>(weights[(i / 3) % 10]));
    }
    return image;
}

TEST(BlackLevels, ALineOfWeightedBlackIsTheIntegerQuotientOfEverySample) {
    const ImageDescriptor image = arrays();
    const BlackLevels black(image, nullptr);
    ASSERT_TRUE(black.imageBlackVaries());
    std::vector<std::int32_t> line(64);
    struct Walk {
        int rowStep, columnStep;
    };
    for (const Walk w : {Walk{0, 1}, Walk{0, -1}, Walk{1, 0}, Walk{-1, 0}}) {
        for (int start = 0; start < 64; ++start) {
            const std::int64_t row = w.rowStep == 0 ? start : (w.rowStep > 0 ? 0 : 63);
            const std::int64_t column = w.columnStep == 0 ? start : (w.columnStep > 0 ? 0 : 63);
            black.weightedLine(row, column, w.rowStep, w.columnStep, 64, line.data());
            for (int i = 0; i < 64; ++i) {
                const std::int64_t r = row + w.rowStep * i, c = column + w.columnStep * i;
                ASSERT_EQ(line[i], expected(image.blackDeltaH[c], image.blackDeltaV[r],
                                            image.columnWeighting[c], image.rowWeighting[r]))
                    << "row " << r << " column " << c;
                ASSERT_EQ(line[i], black.imageBlack(r, c, 0, 0));
            }
        }
    }
}

TEST(BlackLevels, SmallBlacksAndWeightingsTakeTheSameQuotients) {
    // Blacks and weightings of masked areas as cameras give them: the numerators stay far
    // below 2^24, where the lines are divided in single precision, four at a time.
    ImageDescriptor image = test::makeImage(203, 101);
    for (int i = 0; i < 203; ++i) {
        image.blackDeltaH.push_back(static_cast<std::uint16_t>(480 + (i * 37) % 97));
        image.columnWeighting.push_back(static_cast<std::int16_t>((i * 13) % 60 - 2));
    }
    for (int i = 0; i < 101; ++i) {
        image.blackDeltaV.push_back(static_cast<std::uint16_t>(500 + (i * 53) % 89));
        image.rowWeighting.push_back(static_cast<std::int16_t>((i * 7) % 40 - 1));
    }
    const BlackLevels black(image, nullptr);
    std::vector<std::int32_t> line(203);
    for (int row = 0; row < 101; ++row)
        for (const int start : {0, 1, 3}) {
            const int count = 203 - start;
            black.weightedLine(row, start, 0, 1, count, line.data());
            for (int i = 0; i < count; ++i) {
                const int c = start + i;
                ASSERT_EQ(line[i], expected(image.blackDeltaH[c], image.blackDeltaV[row],
                                            image.columnWeighting[c], image.rowWeighting[row]))
                    << "row " << row << " column " << c;
            }
            black.weightedLine(row, 202 - start, 0, -1, count, line.data());
            for (int i = 0; i < count; ++i) {
                const int c = 202 - start - i;
                ASSERT_EQ(line[i], expected(image.blackDeltaH[c], image.blackDeltaV[row],
                                            image.columnWeighting[c], image.rowWeighting[row]));
            }
        }
    for (int column = 0; column < 203; column += 5) {
        black.weightedLine(0, column, 1, 0, 101, line.data());
        for (int r = 0; r < 101; ++r)
            ASSERT_EQ(line[r], expected(image.blackDeltaH[column], image.blackDeltaV[r],
                                        image.columnWeighting[column], image.rowWeighting[r]));
    }
}

TEST(BlackLevels, BeyondAnArrayOnlyTheOtherOneCounts) {
    ImageDescriptor image = arrays();
    image.blackDeltaH.resize(10); // columns 10 and on have no column black
    const BlackLevels black(image, nullptr);
    std::vector<std::int32_t> line(20);
    black.weightedLine(5, 0, 0, 1, 20, line.data());
    EXPECT_EQ(line[15], image.blackDeltaV[5]);
    EXPECT_EQ(line[3], expected(image.blackDeltaH[3], image.blackDeltaV[5],
                                image.columnWeighting[3], image.rowWeighting[5]));
    EXPECT_EQ(black.imageBlack(200, 200, 0, 0), 0); // outside both
}

TEST(BlackLevels, TheSingleLevelOrTheCfaArrayComeFirst) {
    ImageDescriptor image = arrays();
    image.blackLevel = 64;
    EXPECT_EQ(BlackLevels(image, nullptr).imageBlack(3, 3, 2, 0), 64);
    EXPECT_FALSE(BlackLevels(image, nullptr).imageBlackVaries());
    image.blackLevel = 0;
    image.blackLevelArray = {1, 2, 3, 4};
    EXPECT_EQ(BlackLevels(image, nullptr).imageBlack(3, 3, 2, 0), 3);
    // The exposure marks take every source at once; their statistics the plain mean.
    image.blackLevel = 10;
    const BlackLevels black(image, nullptr);
    const std::int32_t c = image.blackDeltaH[4], r = image.blackDeltaV[6];
    EXPECT_EQ(black.exposureMarkBlack(6, 4, 1),
              10 + 2 + expected(c, r, image.columnWeighting[4], image.rowWeighting[6]));
    EXPECT_EQ(black.exposureStatisticsBlack(6, 4, 1, 5000), 10 + 2 + (c + r) / 2);
    image.blackLevelMinimum = 100;
    EXPECT_EQ(BlackLevels(image, nullptr).exposureStatisticsBlack(6, 4, 1, 40), 40); // the point
}

} // namespace
} // namespace korvane
