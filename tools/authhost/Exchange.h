// One exchange with a game server: its form body in, the answer text out.
#pragma once

#include <string>
#include <string_view>

#include "Roster.h"

namespace authhost {

// What a game server sends: "uid=0:1:2345&game=0&gameIP=1.2.3.4&gamePort=27015".
// Fields that are missing stay empty; %XX and '+' are decoded.
struct AuthRequest {
    std::string uid;
    std::string game;
    std::string gameIP;
    std::string gamePort;
};

AuthRequest ParseRequest(std::string_view body);

enum class Verdict { Shown, Refused, Unknown };

struct AuthAnswer {
    Verdict verdict = Verdict::Unknown;
    std::string body;
};

// The answer grammar the plug-in reads: Base64 lines joined by ',' for a
// known player, "1," and the Base64 message for a refused one, "0" for
// anybody else (a uid that is not a Steam ID included).
AuthAnswer Answer(const Roster& roster, const AuthRequest& request);

// What the host says when the league is down for maintenance: a web page,
// which the plug-in reads as "offline".
std::string OfflinePage();

// Text from the network made fit for one log line: printable ASCII kept,
// anything else as \xHH, cut to at most maxBytes of the input.
std::string LogSafe(std::string_view text, size_t maxBytes = 64);

}  // namespace authhost
