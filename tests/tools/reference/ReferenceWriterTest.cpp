// The reference's rendering: the listing's fields in Markdown cells that stay
// one cell and one row whatever the help text holds, and a listing that is
// not one refused with its line rather than rendered half.
#include <gtest/gtest.h>

#include "ReferenceWriter.h"

namespace {

std::string Render(std::string_view listing) {
    std::string error;
    std::string text = reference::RenderReference(listing, error);
    return text.empty() ? "<error: " + error + ">" : text;
}

std::string RowOf(const std::string& text, const std::string& name) {
    const size_t at = text.find("| `" + name + "` |");
    return at == std::string::npos ? "<no row>" : text.substr(at, text.find('\n', at) - at);
}

TEST(ReferenceWriter, RowsCarryDefaultBoundsFlagsAndHelp) {
    const std::string text = Render(
        "variable\ttk_active\t1\t256\t0\t1\tTurns Travik on or off\n"
        "variable\ttk_rate\t66\t8448\t-\t100\tAt most\n"
        "variable\ttk_low\t0.5\t0\t0.25\t-\tAt least\n"
        "variable\ttk_url\t\t32\t-\t-\tNo default\n"
        "command\ttk_status\t0\tPrints the status\n");
    EXPECT_EQ(RowOf(text, "tk_active"),
              "| `tk_active` | `1` | 0 to 1 | notify | Turns Travik on or off |");
    EXPECT_EQ(RowOf(text, "tk_rate"),
              "| `tk_rate` | `66` | at most 100 | notify, replicated | At most |");
    EXPECT_EQ(RowOf(text, "tk_low"), "| `tk_low` | `0.5` | at least 0.25 | none | At least |");
    EXPECT_EQ(RowOf(text, "tk_url"), "| `tk_url` | `\"\"` | none | protected | No default |");
    EXPECT_EQ(RowOf(text, "tk_status"), "| `tk_status` | none | Prints the status |");
    EXPECT_NE(text.find("## Variables (4)"), std::string::npos);
    EXPECT_NE(text.find("## Commands (1)"), std::string::npos);
}

// A pipe or a line break in a help text would split the cell or the row;
// a backtick in a default would end its code span; a "<" could open a tag.
TEST(ReferenceWriter, HelpAndDefaultsStayInTheirCell) {
    const std::string text = Render(
        "variable\ttk_x\ta`b\t0\t-\t-\tone | two\\nthree\\tfour \\\\ five\n"
        "command\ttk_y\t0\tUsage:\\ntk_y <target> [a&b]\n");
    EXPECT_EQ(RowOf(text, "tk_x"),
              "| `tk_x` | `` a`b `` | none | none | one \\| two<br>three four \\ five |");
    // "<target>" would vanish as an HTML tag.
    EXPECT_EQ(RowOf(text, "tk_y"), "| `tk_y` | none | Usage:<br>tk_y &lt;target> [a&amp;b] |");
}

TEST(ReferenceWriter, FlagNamesKeepUnnamedBits) {
    EXPECT_EQ(reference::FlagNames(0), "");
    EXPECT_EQ(reference::FlagNames((1 << 8) | (1 << 14)), "notify, cheat");
    EXPECT_EQ(reference::FlagNames((1 << 13) | (1 << 20)), "replicated, 0x100000");
}

TEST(ReferenceWriter, ABadListingIsRefusedWithItsLine) {
    EXPECT_EQ(Render(""),
              "<error: the listing holds no variable and no command (was the "
              "plug-in loaded?)>");
    EXPECT_EQ(Render("command\ta\t0\tok\nvariable\tb\t1\t0\t-\t-\n"),
              "<error: line 2: a variable has 7 fields>");
    EXPECT_EQ(Render("Unknown command \"commands\"\n"),
              "<error: line 1: neither a variable nor a command>");
    EXPECT_EQ(Render("command\ta\tx\tok\n"), "<error: line 1: the flags are not a number>");
    EXPECT_EQ(Render("command\ta\t0\tbad \\q escape\n"),
              "<error: line 1: a bad escape in the help text>");
    EXPECT_EQ(Render("variable\tb\t1\t0\tlow\t-\thelp\n"),
              "<error: line 1: a bound is neither a number nor ->");
    EXPECT_EQ(Render("command\t\t0\thelp\n"), "<error: line 1: no name>");
}

}  // namespace
