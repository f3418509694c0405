#include "cli/Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

std::optional<cli::Options> Parse(const Args& args, std::string& error) {
    return cli::ParseOptions(args, error);
}

TEST(ParseOptions, RefusesWhatIsWrongWithTheCommandLine) {
    const Args rows[] = {
        {},
        {"frobnicate", "--port", "ttyUSB0"},
        {"read"},
        {"read", "--port"},
        {"read", "--port="},
        {"read", "--port", "p", "--address", "248"},
        {"read", "--port", "p", "--address", "-1"},
        {"read", "--port", "p", "--timeout-ms", "0"},
        {"read", "--port", "p", "--retries", "x"},
        {"read", "--port", "p", "--count", "3"},
        {"read", "--port", "p", "--no-verify"},
        {"read", "--port", "p", "--trace-bogus", "f"},
        {"read", "--port", "p", "extra"},
        {"save", "--port", "p", "a.json", "b.json"},
        {"preset", "--port", "p"},
        {"preset", "--port", "p", "1", "2"},
        {"watch", "--port", "p", "--count", "0"},
        {"read", "--port", "a,,b"},
        {"read", "--port", "a,"},
        {"watch", "--port", "a,b"},
        {"watch", "--port", "a", "--port", "b"},
        {"read", "--port", "a,b", "--trace", "t.log"},
        {"watch", "--port", "a", "--report", "r.csv"},
        {"read", "--port", "a", "--report="},
        {"read", "--port", "a", "--partial"},
        {"diff", "--port", "a"},
        {"diff", "--port", "a", "x.json", "y.json"},
        {"diff", "--port", "a", "WorkMode=1"},
    };
    for (const Args& args : rows) {
        std::string error;
        EXPECT_FALSE(Parse(args, error)) << testing::PrintToString(args);
        EXPECT_FALSE(error.empty()) << testing::PrintToString(args);
    }
}

TEST(ParseOptions, ReadsEachCommandsArguments) {
    std::string error;
    auto o = Parse({"save", "WorkMode=1", "--port=ttyUSB1", "-", "--no-verify", "CommAddress=2",
                    "--address", "7", "--timeout-ms=150", "--retries", "0"},
                   error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->command, cli::Command::Save);
    EXPECT_EQ(o->ports, std::vector<std::string>{"ttyUSB1"});
    EXPECT_EQ(o->file, "-");
    EXPECT_EQ(o->assignments, (std::vector<std::string>{"WorkMode=1", "CommAddress=2"}));
    EXPECT_FALSE(o->verify);
    EXPECT_EQ(o->link.address, 7);
    EXPECT_EQ(o->link.timeoutMs, 150);
    EXPECT_EQ(o->link.retries, 0);

    o = Parse({"read", "--port", "/dev/pts/3"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->link.address, 0);
    EXPECT_EQ(o->link.timeoutMs, 500);
    EXPECT_EQ(o->link.retries, 2);
    EXPECT_TRUE(o->verify);

    o = Parse({"preset", "--port", "p", "-5"}, error);  // checked later with the register limits
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->position, "-5");

    o = Parse({"watch", "--port", "p", "--count", "3"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->count, 3);

    o = Parse({"save", "--port", "a,b", "--port=/dev/pts/3", "cfg.json", "--partial", "--report",
               "line.csv"},
              error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->ports, (std::vector<std::string>{"a", "b", "/dev/pts/3"}));
    EXPECT_TRUE(o->partial);
    EXPECT_EQ(o->report, "line.csv");

    o = Parse({"diff", "--port", "a", "-"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->command, cli::Command::Diff);
    EXPECT_EQ(o->file, "-");

    o = Parse({"ports"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->command, cli::Command::Ports);
}

}  // namespace
