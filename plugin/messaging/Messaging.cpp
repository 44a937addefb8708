#include "messaging/Messaging.h"

#include <iplayerinfo.h>
#include <shareddefs.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "core/GameKind.h"
#include "core/MRecipientFilter.h"
#include "core/PlayerSlots.h"
#include "messaging/UserMessage.h"

bool Messaging::HostReady() {
    return g_host.playerInfoManager && g_host.engine && g_host.globals;
}

void Messaging::SendAllMessage(const char* text) {
    SendAll({Kind::Chat, text});
}

// SourceTV takes chat as well: what it receives goes into the demo it
// records, as the Steam ID list at the start of each one must.
void Messaging::SendSingleMessage(edict_t* player, const char* text) {
    if (!player || !HostReady()) {
        return;
    }
    MRecipientFilter filter;
    AddHumanPlayer(filter, player);
    if (filter.GetRecipientCount() == 0) {
        AddSourceTV(filter, player);
    }
    Send(filter, {Kind::Chat, text});
}

void Messaging::SendTeamMessage(edict_t* player, const char* text) {
    if (!HostReady()) {
        return;
    }
    IPlayerInfo* sender = PlayerInfoOf(player);
    if (!sender) {
        return;
    }
    const int team = sender->GetTeamIndex();
    MRecipientFilter filter;
    for (int index = 1; index <= GetMaxClients(); ++index) {
        IPlayerInfo* info = GetHumanPlayerInfo(index);
        if (info && info->GetTeamIndex() == team) {
            filter.AddRecipient(index);
        }
    }
    Send(filter, {Kind::Chat, text});
}

void Messaging::SendAllHintMessage(const char* text) {
    SendAll({Kind::Hint, text});
}

void Messaging::SendSingleHintMessage(edict_t* player, const char* text) {
    SendSingle(player, {Kind::Hint, text});
}

void Messaging::SendAllCenteredMessage(const char* text) {
    SendAll({Kind::Centered, text});
}

void Messaging::SendSingleCenteredMessage(edict_t* player, const char* text) {
    SendSingle(player, {Kind::Centered, text});
}

void Messaging::SendAllMenu(int displayTime, const char* text) {
    SendAll({Kind::Menu, text, displayTime});
}

void Messaging::SendSingleMenu(edict_t* player, int displayTime, const char* text) {
    SendSingle(player, {Kind::Menu, text, displayTime});
}

// A user message carries at most 255 bytes: a longer menu would be dropped
// whole by the engine, so it goes in parts, each but the last saying that
// more follows, and the client joins them.
void Messaging::SendMenu(MRecipientFilter& filter, int displayTime, const char* text) {
    text = text ? text : "";
    const std::string_view whole(text, std::min(std::strlen(text), kMaxMenuText));
    std::size_t at = 0;
    do {
        const std::string part(whole.substr(at, kMenuPartSize));
        at += part.size();
        const bool more = at < whole.size();
        SendUserMessage(filter, USERMSG_SHOWMENU, [displayTime, more, &part](bf_write& payload) {
            payload.WriteWord(0xFFFF);
            payload.WriteChar(displayTime);
            payload.WriteByte(more ? 1 : 0);
            payload.WriteString(part.c_str());
        });
    } while (at < whole.size());
}

void Messaging::SendAll(const Message& message) {
    if (!HostReady()) {
        return;
    }
    MRecipientFilter filter;
    filter.AddAllPlayers(GetMaxClients());
    Send(filter, message);
}

void Messaging::SendSingle(edict_t* player, const Message& message) {
    if (!HostReady()) {
        return;
    }
    MRecipientFilter filter;
    AddHumanPlayer(filter, player);
    Send(filter, message);
}

void Messaging::AddHumanPlayer(MRecipientFilter& filter, edict_t* player) {
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* edict = nullptr;
        if (GetHumanPlayerInfo(index, &edict) && edict == player) {
            filter.AddRecipient(index);
            return;
        }
    }
}

void Messaging::AddSourceTV(MRecipientFilter& filter, edict_t* player) {
    IPlayerInfo* info = PlayerInfoOf(player);
    if (info && info->IsHLTV()) {
        filter.AddRecipient(g_host.engine->IndexOfEdict(player));
    }
}

void Messaging::Send(MRecipientFilter& filter, const Message& message) {
    const char* text = message.text;
    switch (message.kind) {
        case Kind::Chat:
            SendUserMessage(filter, USERMSG_SAYTEXT, [text](bf_write& payload) {
                payload.WriteByte(0);  // from the server
                payload.WriteString(text);
                payload.WriteByte(0);
            });
            break;
        case Kind::Hint:
            SendUserMessage(filter, USERMSG_HINTTEXT, [text](bf_write& payload) {
                payload.WriteByte(1);
                payload.WriteString(text);
            });
            break;
        case Kind::Centered: {
            const int index = currentGame == GAME_CSS ? USERMSG_TEXTMSG : USERMSG_TEXTMSG_OTHER;
            SendUserMessage(filter, index, [text](bf_write& payload) {
                payload.WriteByte(HUD_PRINTCENTER);
                payload.WriteString(text);
            });
            break;
        }
        case Kind::Menu: {
            SendMenu(filter, message.displayTime, text);
            break;
        }
    }
}
