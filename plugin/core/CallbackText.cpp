#include "core/CallbackText.h"

#include "support/TKStrUtils.h"

ReadyWord ReadyWordOf(const char* text) {
    const std::string word = TKStrUtils::stringToLower(text ? text : "");
    if (word == "!ready") {
        return ReadyWord::Ready;
    }
    if (word == "!unready") {
        return ReadyWord::Unready;
    }
    return ReadyWord::None;
}

std::string AddressWithoutPort(const char* address) {
    std::string text = address ? address : "";
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        text.erase(colon);
    }
    return text;
}

bool IsMemoryCorruptionReason(const char* reason) {
    const std::string text = TKStrUtils::stringToLower(reason ? reason : "");
    return text.find("memory corruption detected") != std::string::npos;
}
