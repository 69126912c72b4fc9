#include <gtest/gtest.h>

#include <set>

#include "app/CommandLine.hpp"

namespace korvane {
namespace {

using Kind = CommandLineRequest::Kind;

class CommandLineTest : public ::testing::Test {
protected:
    CommandLineRequest parse(std::string_view line) {
        return parseCommandLine(line, [this](const std::string& p) { return files.count(p) != 0; });
    }
    std::set<std::string> files{"/raw/a.cr2", "/raw/with blank.nef", "C:x"};
};

TEST_F(CommandLineTest, NoArgumentsAskForNothing) {
    EXPECT_EQ(parse("").kind, Kind::None);
    EXPECT_EQ(parse("  \t ").kind, Kind::None);
}

TEST_F(CommandLineTest, APathAndAnOptionalModeLetter) {
    auto r = parse("/raw/a.cr2");
    EXPECT_EQ(r.kind, Kind::File);
    EXPECT_EQ(r.path, "/raw/a.cr2");
    EXPECT_EQ(r.mode, 0);

    r = parse("\t \"/raw/with blank.nef\" /h");
    EXPECT_EQ(r.kind, Kind::File);
    EXPECT_EQ(r.path, "/raw/with blank.nef");
    EXPECT_EQ(r.mode, 'H');

    EXPECT_EQ(parse("/raw/a.cr2 -B").mode, 'B');
    EXPECT_EQ(parse("/raw/a.cr2 -e").mode, 'E');
    EXPECT_EQ(parse("/raw/a.cr2 /I").mode, 'I');
    EXPECT_EQ(parse("/raw/a.cr2\t-n").mode, 'N');
}

TEST_F(CommandLineTest, OtherSecondArgumentsAreIgnored) {
    for (const char* line : {"/raw/a.cr2 /x", "/raw/a.cr2 -BB", "/raw/a.cr2 B", "/raw/a.cr2 +h"}) {
        const auto r = parse(line);
        EXPECT_EQ(r.kind, Kind::File) << line;
        EXPECT_EQ(r.mode, 0) << line;
    }
}

TEST_F(CommandLineTest, BadQuotingAndMissingFilesAreInvalid) {
    EXPECT_EQ(parse("\"\"").kind, Kind::Invalid);
    EXPECT_EQ(parse("\"\" /h").kind, Kind::Invalid);
    const auto open = parse("\"/raw/a.cr2");
    EXPECT_EQ(open.kind, Kind::Invalid);
    EXPECT_EQ(open.path, "/raw/a.cr2");
    EXPECT_EQ(parse("\"/raw/a.cr2\"x").kind, Kind::Invalid);
    const auto missing = parse("/raw/none.cr2 -h");
    EXPECT_EQ(missing.kind, Kind::Invalid);
    EXPECT_EQ(missing.path, "/raw/none.cr2");
    // Without quotes a blank ends the path.
    EXPECT_EQ(parse("/raw/with blank.nef").kind, Kind::Invalid);
}

TEST_F(CommandLineTest, ArgumentsAreJoinedWithQuotesWhereTheyHoldBlanks) {
    const char* argv[] = {"korvane", "/raw/with blank.nef", "-h"};
    const std::string line = joinArguments(3, argv);
    EXPECT_EQ(line, "\"/raw/with blank.nef\" -h");
    const auto r = parse(line);
    EXPECT_EQ(r.path, "/raw/with blank.nef");
    EXPECT_EQ(r.mode, 'H');
}

} // namespace
} // namespace korvane
