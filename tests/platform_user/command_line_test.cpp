// The command line WinMain receives.
#include <gtest/gtest.h>

#include "entry/command_line.h"

namespace {

TEST(CommandLine, JoinsArgumentsAndConvertsToUtf16) {
    struct Case {
        std::vector<const char*> argv;
        std::u16string expected;
    } cases[] = {
        {{"skymark"}, u""},
        {{"skymark", "a"}, u"a"},
        {{"skymark", "-x", "two words"}, u"-x two words"},
        {{"skymark", "\xC3\xA9t\xC3\xA9"}, u"\u00E9t\u00E9"},
        {{"skymark", "\xF0\x9F\x9B\xB0"}, u"\U0001F6F0"},
        {{"skymark", "bad\xFF", "\xC3"}, u"bad\uFFFD \uFFFD"},
        {{"skymark", "\xE0\x80\xAF"}, u"\uFFFD"},
        {{"skymark", "\xED\xA0\x80"}, u"\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argv.size() > 1 ? c.argv[1] : "(none)");
        EXPECT_EQ(entry::CommandLineFromArguments(static_cast<int>(c.argv.size()), c.argv.data()),
                  c.expected);
    }
}

}  // namespace
