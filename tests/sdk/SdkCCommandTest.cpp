// Splitting console lines into arguments, including hostile lines.
#include <gtest/gtest.h>
#include <tier1/convar.h>

#include <string>
#include <vector>

#include "SpewCapture.h"

namespace {

std::vector<std::string> Args(const CCommand& command) {
    std::vector<std::string> args;
    for (int i = 0; i < command.ArgC(); ++i)
        args.emplace_back(command.Arg(i));
    return args;
}

std::vector<std::string> Split(const std::string& line) {
    CCommand command;
    EXPECT_TRUE(command.Tokenize(line.c_str()));
    return Args(command);
}

using Words = std::vector<std::string>;

TEST(SdkCCommand, WordsAndArgS) {
    CCommand command;
    ASSERT_TRUE(command.Tokenize("say  hello\tworld "));
    EXPECT_EQ(Args(command), (Words{"say", "hello", "world"}));
    EXPECT_STREQ(command.ArgS(), "hello\tworld ");
    EXPECT_STREQ(command.GetCommandString(), "say  hello\tworld ");
    EXPECT_STREQ(command[0], "say");

    ASSERT_TRUE(command.Tokenize("status"));
    EXPECT_STREQ(command.ArgS(), "");
    EXPECT_STREQ(command.Arg(1), "");
    EXPECT_STREQ(command.Arg(-1), "");
    EXPECT_STREQ(command[7], "");
}

TEST(SdkCCommand, QuotesGroupWordsAndStayInArgS) {
    CCommand command;
    ASSERT_TRUE(command.Tokenize("tk_kickt \"you lose\" x"));
    EXPECT_EQ(Args(command), (Words{"tk_kickt", "you lose", "x"}));
    EXPECT_STREQ(command.ArgS(), "\"you lose\" x");

    EXPECT_EQ(Split("tk_authhost \"\""), (Words{"tk_authhost", ""}));
    EXPECT_EQ(Split("ab\"cd ef\"gh"), (Words{"ab", "cd ef", "gh"}));
    // Break characters lose their meaning inside quotes.
    EXPECT_EQ(Split("say \"a:b (c)\""), (Words{"say", "a:b (c)"}));
}

TEST(SdkCCommand, UnclosedQuoteRunsToTheEnd) {
    CCommand command;
    ASSERT_TRUE(command.Tokenize("say \"unterminated text  "));
    EXPECT_EQ(Args(command), (Words{"say", "unterminated text  "}));
    EXPECT_STREQ(command.ArgS(), "\"unterminated text  ");
    EXPECT_EQ(Split("\""), (Words{""}));
    EXPECT_EQ(Split("a \"\"\""), (Words{"a", "", ""}));
}

TEST(SdkCCommand, BreakCharactersAreArgumentsOfTheirOwn) {
    EXPECT_EQ(Split("banid 0 STEAM_0:1:23"), (Words{"banid", "0", "STEAM_0", ":", "1", ":", "23"}));
    EXPECT_EQ(Split("a{b}c(d)e'f"), (Words{"a", "{", "b", "}", "c", "(", "d", ")", "e", "'", "f"}));
    EXPECT_EQ(Split("::"), (Words{":", ":"}));
}

TEST(SdkCCommand, CommentStartsOnlyAtTheStartOfAnArgument) {
    EXPECT_EQ(Split("echo hi // the rest"), (Words{"echo", "hi"}));
    EXPECT_EQ(Split("echo hi//there"), (Words{"echo", "hi//there"}));
    EXPECT_EQ(Split("// all comment"), Words{});
    EXPECT_EQ(Split("echo \"// quoted\""), (Words{"echo", "// quoted"}));
}

TEST(SdkCCommand, ControlBytesSeparateOutsideQuotesOnly) {
    EXPECT_EQ(Split("say\x01hi\x07there\r\nx"), (Words{"say", "hi", "there", "x"}));
    // DEL and bytes above 0x7F (UTF-8 names) belong to the word.
    EXPECT_EQ(Split("name \x7f\xc3\xa9t\xc3\xa9"), (Words{"name", "\x7f\xc3\xa9t\xc3\xa9"}));
    EXPECT_EQ(Split("say \"a\x01\x03"
                    "b\""),
              (Words{"say",
                     "a\x01\x03"
                     "b"}));
    EXPECT_EQ(Split("\x01\x02\x03"), Words{});
}

TEST(SdkCCommand, LinesOf512CharactersOrMoreAreRefused) {
    CCommand command;
    std::string longest = "say ";
    longest.append(507, 'x');
    ASSERT_EQ(longest.size(), 511u);
    ASSERT_TRUE(command.Tokenize(longest.c_str()));
    EXPECT_EQ(std::string(command.Arg(1)), std::string(507, 'x'));

    SpewCapture spew;
    for (size_t length : {512u, 513u, 10000u}) {
        std::string line = "say ";
        line.append(length - 4, 'x');
        EXPECT_FALSE(command.Tokenize(line.c_str())) << length;
        EXPECT_EQ(command.ArgC(), 0);
        EXPECT_STREQ(command.Arg(0), "");
        EXPECT_STREQ(command.ArgS(), "");
        EXPECT_STREQ(command.GetCommandString(), "");
    }
    EXPECT_EQ(spew.Lines().size(), 3u);
    EXPECT_EQ(spew.Lines()[0].type, SPEW_WARNING);
}

TEST(SdkCCommand, AThousandWordsAreRefusedWhole) {
    std::string line;
    for (int i = 0; i < 1000; ++i)
        line += "w ";
    SpewCapture spew;
    CCommand command;
    EXPECT_FALSE(command.Tokenize(line.c_str()));
    EXPECT_EQ(command.ArgC(), 0);
}

TEST(SdkCCommand, ArgumentsStopAt64WithAWarning) {
    std::string line = "cmd";
    for (int i = 0; i < 200; ++i) {
        line += ' ';
        line += static_cast<char>('0' + i % 10);
    }
    ASSERT_LT(line.size(), 512u);
    SpewCapture spew;
    CCommand command;
    ASSERT_TRUE(command.Tokenize(line.c_str()));
    EXPECT_EQ(command.ArgC(), CCommand::COMMAND_MAX_ARGC);
    EXPECT_STREQ(command.Arg(63), "2");
    EXPECT_STREQ(command.Arg(64), "");
    EXPECT_EQ(std::string(command.ArgS()), line.substr(4));
    EXPECT_NE(spew.Text(SPEW_WARNING).find("64"), std::string::npos);

    // Exactly 64 arguments is no cut and no warning.
    SpewCapture quiet;
    ASSERT_TRUE(command.Tokenize(std::string(64, ':').c_str()));
    EXPECT_EQ(command.ArgC(), 64);
    EXPECT_TRUE(quiet.Lines().empty());
}

TEST(SdkCCommand, TheFullestLineFitsItsArgumentStorage) {
    // 63 one-character arguments and one long word: the most argument bytes
    // (characters plus terminators) a refused-free line can need.
    const std::string word(511 - 63, 'z');
    const std::string line = std::string(63, '(') + word;
    CCommand command;
    ASSERT_TRUE(command.Tokenize(line.c_str()));
    ASSERT_EQ(command.ArgC(), 64);
    EXPECT_EQ(std::string(command.Arg(63)), word);
    EXPECT_STREQ(command.Arg(62), "(");
}

TEST(SdkCCommand, RetokenizingForgetsThePreviousLine) {
    CCommand command;
    ASSERT_TRUE(command.Tokenize("a b c d"));
    ASSERT_TRUE(command.Tokenize("e"));
    EXPECT_EQ(Args(command), (Words{"e"}));
    EXPECT_STREQ(command.ArgS(), "");
    EXPECT_FALSE(command.Tokenize(nullptr));
    EXPECT_EQ(command.ArgC(), 0);
    EXPECT_EQ(command.ArgV(), nullptr);
}

TEST(SdkCCommand, BuiltFromArgumentsRoundTrips) {
    const char* argv[] = {"say", "hello world", "a:b", "", "//x", "q\"q"};
    CCommand command(6, argv);
    // A double quote cannot be carried inside an argument (no escapes): it
    // ends the quoted section.
    EXPECT_EQ(Args(command), (Words{"say", "hello world", "a:b", "", "//x", "q", "q", ""}));
}

}  // namespace
