#include "updater/UpdateProtocol.h"

#include <gtest/gtest.h>

#include "core/BuildPlatform.h"

using namespace UpdateProtocol;

TEST(UpdateProtocolUnit, AnswersAreJudgedInOrder) {
    EXPECT_EQ(ParseAnswer("1,a,b,c <html> N").kind, AnswerKind::PageGone);
    EXPECT_EQ(ParseAnswer("N").kind, AnswerKind::UpToDate);
    EXPECT_EQ(ParseAnswer("n").kind, AnswerKind::Malformed);
    EXPECT_EQ(ParseAnswer("").kind, AnswerKind::Malformed);
    // Empty fields do not count: the tokenizer drops them.
    EXPECT_EQ(ParseAnswer("1,,4.7,abc").kind, AnswerKind::Malformed);
    EXPECT_EQ(ParseAnswer("2,a,b,c").kind, AnswerKind::NoUpdate);
    EXPECT_EQ(ParseAnswer(" 1,a,b,c").kind, AnswerKind::NoUpdate);

    Answer four = ParseAnswer("1,47beta,4.7Beta,d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(four.kind, AnswerKind::Update);
    EXPECT_EQ(four.downloadId, "47beta");
    EXPECT_EQ(four.version, "4.7Beta");
    EXPECT_EQ(four.digest, "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(four.signature, "");

    // Later fields are ignored; a line end is no part of a signature.
    EXPECT_EQ(ParseAnswer("1,id,v,d,c2ln,more").signature, "c2ln");
    EXPECT_EQ(ParseAnswer("1,id,v,d,c2ln\r\n").signature, "c2ln");
}

TEST(UpdateProtocolUnit, VersionsBecomePlainSuffixesOrAreRefused) {
    EXPECT_EQ(ParseVersionNumber("4.7Beta"), "47beta");
    EXPECT_EQ(ParseVersionNumber("..."), "");
    EXPECT_TRUE(IsValidVersionSuffix("47beta"));
    EXPECT_TRUE(IsValidVersionSuffix("5_0-rc1"));
    for (const char* bad : {"", "4 7", "../x", "a\"b", "a\nb", "A", "a\\b", "\xc3\xa9"}) {
        EXPECT_FALSE(IsValidVersionSuffix(bad)) << bad;
    }
}

TEST(UpdateProtocolUnit, OnlyModuleNamesBesideTheModuleMayBeDeleted) {
    // The build's own extension: ".so", or ".dll" on Windows.
    const std::string ext = BuildPlatform::kModuleExtension;
    EXPECT_TRUE(IsValidTravikFile("travik4" + ext));
    EXPECT_TRUE(IsValidTravikFile("travik47beta" + ext));
    EXPECT_TRUE(IsValidTravikFile("travik1234567890" + ext));
    EXPECT_FALSE(IsValidTravikFile("travik12345678901" + ext));  // an 11-character suffix
    EXPECT_FALSE(IsValidTravikFile("travik/../a" + ext));
    EXPECT_FALSE(IsValidTravikFile("travik..x" + ext));
    EXPECT_FALSE(IsValidTravikFile("travik\\a" + ext));
    EXPECT_FALSE(IsValidTravikFile("xtravik47" + ext));
    EXPECT_FALSE(IsValidTravikFile(BuildPlatform::kWindows ? "travik47.so" : "travik47.dll"));
}

// The module as first installed keeps its plain name, which the old-file
// note may hold after the first update: it is never deleted, whatever the
// length of the build's extension.
TEST(UpdateProtocolUnit, ThePlainModuleNameIsNeverDeleted) {
    EXPECT_FALSE(IsValidTravikFile(BuildPlatform::kModuleFileName));
    EXPECT_FALSE(IsValidTravikFile("travik.so"));
    EXPECT_FALSE(IsValidTravikFile("travik.dll"));
}

TEST(UpdateProtocolUnit, UrlComponentsKeepOnlyUnreservedBytes) {
    EXPECT_EQ(EscapeUrlComponent("47beta-1.0_~"), "47beta-1.0_~");
    EXPECT_EQ(EscapeUrlComponent("a b&c=d/e?f#g%"), "a%20b%26c%3Dd%2Fe%3Ff%23g%25");
    EXPECT_EQ(EscapeUrlComponent(std::string("\0\n\xff", 3)), "%00%0A%FF");
}

TEST(UpdateProtocolUnit, DescriptionLinesPointAtTheNewModule) {
    std::string line = "\t\"file\"\t\"addons/travik\"\n";
    EXPECT_TRUE(RewriteVdfLine(line, "47beta"));
    EXPECT_EQ(line, "\t\"file\"\t\"addons/travik47beta\"\n");
    EXPECT_TRUE(RewriteVdfLine(line, "48"));
    EXPECT_EQ(line, "\t\"file\"\t\"addons/travik48\"\n");
    // The last "travik" counts; a line without a quote after it stays.
    line = "\"travik\" \"../travik/addons/travik_x\"";
    EXPECT_TRUE(RewriteVdfLine(line, "5"));
    EXPECT_EQ(line, "\"travik\" \"../travik/addons/travik5\"");
    // A version that names itself "travik" leaves "traviktravik": the next
    // release still replaces everything after the file name's own "travik".
    line = "\t\"file\"\t\"addons/travik\"\n";
    EXPECT_TRUE(RewriteVdfLine(line, "travik"));
    EXPECT_EQ(line, "\t\"file\"\t\"addons/traviktravik\"\n");
    EXPECT_TRUE(RewriteVdfLine(line, "48"));
    EXPECT_EQ(line, "\t\"file\"\t\"addons/travik48\"\n");
    // Another plug-in's description file is left alone.
    for (std::string same :
         {std::string("// travik plugin\n"), std::string("\"Plugin\"\n"),
          std::string("addons/travik"), std::string("\t\"file\"\t\"addons/mytravik\"\n")}) {
        const std::string before = same;
        EXPECT_FALSE(RewriteVdfLine(same, "47beta"));
        EXPECT_EQ(same, before);
    }
}
