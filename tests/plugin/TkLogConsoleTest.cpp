// Log lines that cannot reach a file: with no file system the text goes to
// the server console, once, cut to the line buffer.
#include <gtest/gtest.h>
#include <tier0/dbg.h>

#include <string>

#include "messaging/tkLog.h"

namespace {

std::string g_console;

void Capture(SpewType_t, const Color&, const char* text) {
    g_console += text;
}

class TkLogConsoleUnit : public ::testing::Test {
protected:
    void SetUp() override {
        g_console.clear();
        previous = SpewOutputFunc(&Capture);
    }
    void TearDown() override { SpewOutputFunc(previous); }

    SpewOutputFunc_t previous = nullptr;
};

TEST_F(TkLogConsoleUnit, WithoutAFileSystemALineReachesTheConsoleOnce) {
    tkLog(false, "no file here %d\n", 7);
    EXPECT_EQ(g_console, "no file here 7\n");
    g_console.clear();
    tkLog(true, "echoed %s\n", "once");
    EXPECT_EQ(g_console, "echoed once\n");
    g_console.clear();
    tkBanLog(false, "a ban line\n");
    EXPECT_EQ(g_console, "a ban line\n");
}

TEST_F(TkLogConsoleUnit, TextIsCutAt1022Characters) {
    const std::string text(1100, 'a');
    tkLog(false, "%s", text.c_str());
    EXPECT_EQ(g_console, std::string(1022, 'a'));
    g_console.clear();
    tkLog(true, "%s", text.c_str());
    EXPECT_EQ(g_console, std::string(1022, 'a'));
}

TEST_F(TkLogConsoleUnit, ACutLineKeepsItsLineEnd) {
    const std::string text(1100, 'a');
    tkLog(false, "%s\n", text.c_str());
    EXPECT_EQ(g_console, std::string(1021, 'a') + "\n");
}

TEST_F(TkLogConsoleUnit, OutsideTextIsEscapedAndCutBetweenEscapes) {
    EXPECT_EQ(LogSafe("a\"b\\c\n\r\t\x1b\x7f\xc3\xa9"), "a\\\"b\\\\c\\n\\r\\t\\x1b\\x7f\xc3\xa9");
    EXPECT_EQ(LogSafe("say \"hi\"", false), "say \"hi\"");
    EXPECT_EQ(LogSafe(nullptr), "");
    EXPECT_EQ(LogSafe("ab\x1b", true, 5), "ab") << "an escape is never halved";
    EXPECT_EQ(LogSafe(std::string(300, 'x').c_str()).size(), kMaxLoggedOutsideText);
}

}  // namespace
