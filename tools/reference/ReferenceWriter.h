// The operator's reference of the plug-in's console variables and commands,
// rendered as Markdown from srcds-sim's listing of what the loaded module
// registered ("commands print": one tab-separated line per entry).
#pragma once

#include <string>
#include <string_view>

namespace reference {

// The whole docs/reference.md for that listing; "" with the line number and
// reason in error when a line of the listing is not an entry.
std::string RenderReference(std::string_view listing, std::string& error);

// The flag names of an FCVAR_ value ("notify, replicated"); unnamed bits as
// hexadecimal; "" for none.
std::string FlagNames(int flags);

}  // namespace reference
