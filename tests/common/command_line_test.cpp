// The programs' one option reader: what it gives back, in order, and the one
// line it fails with.
#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum Id { kAlpha, kAlphabet, kAlbum, kBeta, kHelp };

constexpr quillkit::OptionSpec kSpecs[] = {
    {"alpha", '\0', true, kAlpha},  {"alphabet", '\0', false, kAlphabet},
    {"album", '\0', false, kAlbum}, {"beta", 'b', true, kBeta, "a number"},
    {"help", 'h', false, kHelp},
};

struct LineCase {
    const char *name;
    std::vector<std::string> args;
    const char *error;  // the whole message; "" when the line is read
    // What comes back, as "name:spelling=value" for each option (the name
    // of the option its id stands for) and "[operand]" for each operand,
    // options first, each in the order given.
    std::vector<std::string> read;
};

void PrintTo(const LineCase &c, std::ostream *os)
{
    *os << c.name;
}

class CommandLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineTest, ReadsOrNamesTheArgument)
{
    const LineCase &c = GetParam();
    std::vector<const char *> argv{"prog"};
    for (const std::string &a : c.args)
        argv.push_back(a.c_str());
    const quillkit::Result<quillkit::CommandLine> line =
        quillkit::read_command_line(static_cast<int>(argv.size()), argv.data(), kSpecs);
    if (*c.error != '\0') {
        ASSERT_FALSE(line);
        EXPECT_EQ(line.error(), c.error);
        return;
    }
    ASSERT_TRUE(line) << line.error();
    std::vector<std::string> read;
    for (const quillkit::GivenOption &o : line->options)
        read.push_back(std::string(kSpecs[o.id].name) + ":" + o.spelling + "=" + o.value);
    for (const std::string &operand : line->operands)
        read.push_back("[" + operand + "]");
    EXPECT_EQ(read, c.read);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineTest,
    ::testing::Values(
        LineCase{"Nothing", {}, "", {}},
        LineCase{"InOrderRepeatsKept",
                 {"--beta", "1", "x", "--beta=2", "-b", "3"},
                 "",
                 {"beta:--beta=1", "beta:--beta=2", "beta:-b=3", "[x]"}},
        LineCase{"AbbreviatedNamedInFull",
                 {"--be", "1", "--alb"},
                 "",
                 {"beta:--beta=1", "album:--album="}},
        LineCase{"ExactNameBeatsLongerOnes",
                 {"--alpha", "1", "--alphab"},
                 "",
                 {"alpha:--alpha=1", "alphabet:--alphabet="}},
        LineCase{"ValueLooksLikeAnOption", {"--alpha", "--beta"}, "", {"alpha:--alpha=--beta"}},
        LineCase{"EmptyValue", {"--alpha="}, "", {"alpha:--alpha="}},
        LineCase{"DashAloneAndAfterDashDash",
                 {"-", "--", "--help", "-h"},
                 "",
                 {"[-]", "[--help]", "[-h]"}},
        LineCase{"Unknown", {"--gamma=1"}, "unknown option '--gamma'", {}},
        LineCase{"UnknownShort", {"-x"}, "unknown option '-x'", {}},
        LineCase{"ShortOptionsAreNotGrouped", {"-hb"}, "unknown option '-hb'", {}},
        LineCase{"Ambiguous",
                 {"--al"},
                 "option '--al' is ambiguous; possibilities: '--album' '--alpha' '--alphabet'",
                 {}},
        LineCase{"NeedsAValue", {"--alpha"}, "option '--alpha' needs a value", {}},
        LineCase{"NeedsAValueAsTyped", {"--bet"}, "option '--bet' needs a number", {}},
        LineCase{"NeedsItsNamedValue", {"-b"}, "option '-b' needs a number", {}},
        LineCase{"TakesNoValue", {"--album=x"}, "option '--album' takes no value", {}},
        LineCase{"TakesNoValueAsTyped", {"--albu=x"}, "option '--albu' takes no value", {}},
        LineCase{"FirstProblemNamed", {"--x", "--alpha"}, "unknown option '--x'", {}}),
    [](const ::testing::TestParamInfo<LineCase> &param_info) {
        return std::string(param_info.param.name);
    });

}  // namespace
