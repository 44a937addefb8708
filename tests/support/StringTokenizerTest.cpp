#include "support/StringTokenizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace {

using Tokens = std::vector<std::string>;

// Takes every token with the stored delimiter, checking on the way that
// countTokens always announces what is still to come.
Tokens Drain(StringTokenizer& tokenizer) {
    Tokens tokens;
    const int announced = tokenizer.countTokens();
    while (tokenizer.hasMoreTokens()) {
        EXPECT_EQ(tokenizer.countTokens(), announced - static_cast<int>(tokens.size()));
        tokens.push_back(tokenizer.nextToken());
    }
    EXPECT_EQ(static_cast<int>(tokens.size()), announced);
    EXPECT_EQ(tokenizer.countTokens(), 0);
    return tokens;
}

Tokens Split(const std::string& text, const std::string& delimiter) {
    StringTokenizer tokenizer(text, delimiter);
    return Drain(tokenizer);
}

TEST(StringTokenizerUnit, EmptyTextOrDelimiterYieldsNothing) {
    for (const auto& [text, delimiter] :
         {std::pair<std::string, std::string>{"", ","}, {"a,b", ""}, {"", ""}}) {
        StringTokenizer tokenizer(text, delimiter);
        EXPECT_EQ(tokenizer.countTokens(), 0);
        EXPECT_FALSE(tokenizer.hasMoreTokens());
        EXPECT_EQ(tokenizer.nextToken(), "");
        EXPECT_EQ(tokenizer.remainingString(), "");
    }
}

TEST(StringTokenizerUnit, RunsAndEndsOfDelimitersGiveNoEmptyTokens) {
    EXPECT_EQ(Split("a,,b", ","), (Tokens{"a", "b"}));
    EXPECT_EQ(Split(",a,", ","), (Tokens{"a"}));
    EXPECT_EQ(Split(",,,", ","), Tokens{});
    EXPECT_EQ(Split(",,,a,,,,b,,,", ","), (Tokens{"a", "b"}));
    EXPECT_EQ(Split("1,QUJD,", ","), (Tokens{"1", "QUJD"}));
}

TEST(StringTokenizerUnit, CountDropsAsTokensAreTaken) {
    StringTokenizer tokenizer("1,QUJD,", ",");
    EXPECT_EQ(tokenizer.countTokens(), 2);
    EXPECT_EQ(tokenizer.nextToken(), "1");
    EXPECT_EQ(tokenizer.countTokens(), 1);
    EXPECT_EQ(tokenizer.remainingString(), "QUJD");
}

TEST(StringTokenizerUnit, TextWithoutDelimiterIsOneToken) {
    EXPECT_EQ(Split("plain", ","), (Tokens{"plain"}));
}

TEST(StringTokenizerUnit, MultiCharacterDelimiterMatchesOnlyAsAWhole) {
    EXPECT_EQ(Split("a:b::c", "::"), (Tokens{"a:b", "c"}));
    EXPECT_EQ(Split("::a::::b:::", "::"), (Tokens{"a", "b:"}));
    EXPECT_EQ(Split("x<>y><z", "<>"), (Tokens{"x", "y><z"}));
}

TEST(StringTokenizerUnit, SelfOverlappingDelimiterIsCountedWithoutOverlap) {
    StringTokenizer tokenizer("xaaay", "aa");
    EXPECT_EQ(tokenizer.countTokens(), 2);
    EXPECT_EQ(tokenizer.nextToken(), "x");
    EXPECT_EQ(tokenizer.nextToken(), "ay");
    EXPECT_FALSE(tokenizer.hasMoreTokens());
}

TEST(StringTokenizerUnit, QuotesDoNotProtectADelimiter) {
    EXPECT_EQ(Split("\"my host\" extra", " "), (Tokens{"\"my", "host\"", "extra"}));
}

TEST(StringTokenizerUnit, OtherDelimiterForOneCallDoesNotCollapseOrReplaceStored) {
    StringTokenizer tokenizer("a;;b,c;d", ",");
    EXPECT_EQ(tokenizer.nextToken(";"), "a");
    EXPECT_EQ(tokenizer.nextToken(";"), "");
    EXPECT_EQ(tokenizer.nextToken(), "b");
    EXPECT_EQ(tokenizer.nextToken(), "c;d");
    EXPECT_FALSE(tokenizer.hasMoreTokens());
}

TEST(StringTokenizerUnit, EmptyDelimiterForOneCallTakesTheRest) {
    StringTokenizer tokenizer("a,b", ",");
    EXPECT_EQ(tokenizer.nextToken(""), "a,b");
    EXPECT_FALSE(tokenizer.hasMoreTokens());
}

TEST(StringTokenizerUnit, FilterRemovesEveryOccurrenceFromTheTokenOnly) {
    StringTokenizer tokenizer("\"a\"b\",\"c\"", ",");
    EXPECT_EQ(tokenizer.filterNextToken("\""), "ab");
    EXPECT_EQ(tokenizer.remainingString(), "\"c\"");
    EXPECT_EQ(tokenizer.filterNextToken(""), "\"c\"");
}

TEST(StringTokenizerUnit, RunsAtTheEndsAndOfLongerDelimitersCollapseToOne) {
    EXPECT_EQ(Split(",,,,a", ","), (Tokens{"a"}));
    EXPECT_EQ(Split("a,,,,", ","), (Tokens{"a"}));
    EXPECT_EQ(Split(",", ","), Tokens{});
    EXPECT_EQ(Split("::", "::"), Tokens{});
    EXPECT_EQ(Split(":::", "::"), (Tokens{":"}));
    EXPECT_EQ(Split("<><><>a<><>b<>", "<>"), (Tokens{"a", "b"}));
    // A run of a self-overlapping delimiter is counted in whole copies; what
    // is left over belongs to the next token.
    EXPECT_EQ(Split("aaaaab", "aa"), (Tokens{"ab"}));
    // The trailing copy is taken from the very end, even where it overlaps
    // the copy found before it.
    EXPECT_EQ(Split("baaaaa", "aa"), (Tokens{"ba"}));
    EXPECT_EQ(Split("aaa", "aa"), (Tokens{"a"}));
    EXPECT_EQ(Split("abababa", "aba"), (Tokens{"b"}));
}

TEST(StringTokenizerUnit, TheDelimiterAloneOrLongerThanTheTextYieldsNothingOrTheText) {
    EXPECT_EQ(Split("ab", "abc"), (Tokens{"ab"}));
    StringTokenizer tokenizer("abc", "abc");
    EXPECT_FALSE(tokenizer.hasMoreTokens());
    EXPECT_EQ(tokenizer.remainingString(), "");
    EXPECT_EQ(tokenizer.nextToken(), "");
}

// The tokenizer as first written: runs erased in place, tokens erased from
// the front. Every text over a small alphabet must split the same way.
class ErasingTokenizer {
public:
    ErasingTokenizer(std::string text, std::string delimiter) {
        if (text.empty() || delimiter.empty()) {
            return;
        }
        m_text = std::move(text);
        m_delimiter = std::move(delimiter);
        const std::size_t len = m_delimiter.size();
        for (std::size_t pos = m_text.find(m_delimiter); pos != std::string::npos;
             pos = m_text.find(m_delimiter, pos)) {
            pos += len;
            while (m_text.compare(pos, len, m_delimiter) == 0) {
                m_text.erase(pos, len);
            }
        }
        if (m_text.starts_with(m_delimiter)) {
            m_text.erase(0, len);
        }
        if (m_text.ends_with(m_delimiter)) {
            m_text.erase(m_text.size() - len);
        }
    }
    std::string next(const std::string& delimiter) {
        const std::size_t pos = delimiter.empty() ? std::string::npos : m_text.find(delimiter);
        std::string token;
        if (pos == std::string::npos) {
            token.swap(m_text);
        } else {
            token = m_text.substr(0, pos);
            m_text.erase(0, pos + delimiter.size());
        }
        return token;
    }
    int count() const {
        if (m_text.empty()) {
            return 0;
        }
        int count = 1;
        for (std::size_t pos = m_text.find(m_delimiter); pos != std::string::npos;
             pos = m_text.find(m_delimiter, pos + m_delimiter.size())) {
            ++count;
        }
        return count;
    }
    const std::string& remaining() const { return m_text; }

private:
    std::string m_text;
    std::string m_delimiter;
};

// Every text of the letters over `letters` up to `longest` long.
std::vector<std::string> EveryText(const std::string& letters, std::size_t longest) {
    std::vector<std::string> texts = {""};
    for (std::size_t begin = 0, length = 1; length <= longest; ++length) {
        const std::size_t end = texts.size();
        for (std::size_t i = begin; i < end; ++i) {
            for (char c : letters) {
                texts.push_back(texts[i] + c);
            }
        }
        begin = end;
    }
    return texts;
}

// Every text of up to twelve of "a" and "b" and of up to seven of "a", "b"
// and ",", each delimiter below, and the stored delimiter interleaved with
// others for one call. Overlaps that change the result need some length:
// ababaaba split at "aba" is one.
TEST(StringTokenizerUnit, EveryShortTextSplitsAsWhenRunsWereErasedInPlace) {
    const std::vector<std::string> delimiters = {",", "a", "aa", "ab", "aba", "a,", ",,", "aab"};
    std::vector<std::string> texts = EveryText("ab", 12);
    for (std::string& text : EveryText("ab,", 7)) {
        if (text.find(',') != std::string::npos) {
            texts.push_back(std::move(text));
        }
    }
    int mismatches = 0;
    for (const std::string& text : texts) {
        for (const std::string& delimiter : delimiters) {
            StringTokenizer tokenizer(text, delimiter);
            ErasingTokenizer reference(text, delimiter);
            bool drained = false;
            for (int round = 0; round < 12 && !drained && mismatches < 5; ++round) {
                drained = reference.remaining().empty() && !tokenizer.hasMoreTokens();
                const bool sameCount = tokenizer.countTokens() == reference.count();
                // Every third call takes a token with another delimiter.
                const std::string other =
                    round % 3 == 2 ? delimiters[(round / 3) % delimiters.size()] : delimiter;
                const std::string expected = reference.next(other);
                const std::string token =
                    round % 3 == 2 ? tokenizer.nextToken(other) : tokenizer.nextToken();
                if (!sameCount || token != expected ||
                    tokenizer.remainingString() != reference.remaining() ||
                    tokenizer.hasMoreTokens() != !reference.remaining().empty()) {
                    ADD_FAILURE() << "text \"" << text << "\" delimiter \"" << delimiter
                                  << "\" round " << round << ": token \"" << token
                                  << "\" expected \"" << expected << "\"";
                    ++mismatches;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// A hostile answer of a megabyte of delimiters, or of a megabyte of
// one-letter fields, splits in one pass (the erasing split took seconds).
TEST(StringTokenizerUnit, AMegabyteOfDelimitersOrOfShortFieldsSplits) {
    constexpr std::size_t kSize = 1u << 20;
    EXPECT_EQ(Split(std::string(kSize, ','), ","), Tokens{});

    std::string fields;
    fields.reserve(kSize);
    while (fields.size() < kSize) {
        fields += "x,,";
    }
    StringTokenizer tokenizer(fields, ",");
    std::size_t count = 0;
    bool allX = true;
    while (tokenizer.hasMoreTokens()) {
        allX = tokenizer.nextToken() == "x" && allX;
        ++count;
    }
    EXPECT_EQ(count, (kSize + 2) / 3);
    EXPECT_TRUE(allX);
}

}  // namespace
