// Values shared by the game library and the plug-ins: teams, user messages.
#pragma once

#include <const.h>

// Team numbers (Counter-Strike: Source uses 2 and 3 for its teams).
#define TEAM_INVALID -1
#define TEAM_UNASSIGNED 0
#define TEAM_SPECTATOR 1
#define TEAM_TERRORIST 2
#define TEAM_CT 3

// A user message's payload is at most this many bytes; a longer write
// overflows its buffer and the message is dropped.
#define MAX_USER_MSG_DATA 255

// Print destinations of the text message (user message 5).
#define HUD_PRINTNOTIFY 1
#define HUD_PRINTCONSOLE 2
#define HUD_PRINTTALK 3
#define HUD_PRINTCENTER 4
