#pragma once

#include <eiface.h>
#include <tier1/bitbuf.h>

#include "core/HostInterfaces.h"

class IRecipientFilter;

// User message indexes of the supported game.
enum UserMessageIndex {
    USERMSG_SAYTEXT = 3,
    USERMSG_TEXTMSG_OTHER = 4,  // the text message on the other games
    USERMSG_TEXTMSG = 5,
    USERMSG_SHOWMENU = 10,
    USERMSG_HINTTEXT = 22,
};

// Begins a user message of that index to the filter's recipients, lets
// `write` fill the payload and sends it. Nothing without the engine.
template <class Write>
void SendUserMessage(IRecipientFilter& filter, int index, Write&& write) {
    if (!g_host.engine) {
        return;
    }
    bf_write* buffer = g_host.engine->UserMessageBegin(&filter, index);
    if (!buffer) {
        return;
    }
    write(*buffer);
    g_host.engine->MessageEnd();
}
