// travik-reference: renders srcds-sim's listing of the plug-in's variables and
// commands (standard input) as docs/reference.md (standard output).
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "ReferenceWriter.h"

int main(int argc, char**) {
    if (argc != 1) {
        std::fprintf(stderr,
                     "usage: srcds-sim --quiet --scenario tools/reference/reference.scn | "
                     "travik-reference > docs/reference.md\n");
        return 2;
    }
    const std::string listing{std::istreambuf_iterator<char>(std::cin),
                              std::istreambuf_iterator<char>()};
    std::string error;
    const std::string text = reference::RenderReference(listing, error);
    if (text.empty()) {
        std::fprintf(stderr, "travik-reference: %s\n", error.c_str());
        return 1;
    }
    std::cout << text;
    return std::cout.good() ? 0 : 1;
}
