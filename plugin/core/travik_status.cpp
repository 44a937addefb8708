#include <eiface.h>

#include "core/HostInterfaces.h"
#include "core/MRecipientFilter.h"
#include "core/PlayerSlots.h"
#include "core/travik_plugin.h"
#include "messaging/UserMessage.h"

namespace {

constexpr int kSupportedTickRate = 66;

// A menu: every key valid, shown for `displayTime` seconds, in one part.
void SendMenu(MRecipientFilter& filter, int displayTime, const char* text) {
    SendUserMessage(filter, USERMSG_SHOWMENU, [displayTime, text](bf_write& payload) {
        payload.WriteWord(0xFFFF);
        payload.WriteChar(displayTime);
        payload.WriteByte(0);
        payload.WriteString(text);
    });
}

}  // namespace

int TicksPerSecond(float interval) {
    return interval > 0.0f ? static_cast<int>(1.0f / interval) : 0;
}

// At load only the tick rate the game library announced is known; at a level
// start the engine's own interval must agree.
bool Travik::ValidateServer(bool onLoad) {
    if (tickRate != kSupportedTickRate) {
        return false;
    }
    if (onLoad) {
        return true;
    }
    return g_host.gameDll && g_host.globals &&
           TicksPerSecond(g_host.gameDll->GetTickInterval()) == kSupportedTickRate &&
           TicksPerSecond(g_host.globals->interval_per_tick) == kSupportedTickRate;
}

void Travik::ConfigureSvTags() {
    if (!active) {
        for (const char* tag : {"travik", "tk_warmode", "sv_pure1", "sv_pure2"}) {
            svTagsAccessor.RemoveTag(tag);
        }
        return;
    }
    svTagsAccessor.AddTag("travik");
    if (tk_warmode.GetBool()) {
        svTagsAccessor.AddTag("tk_warmode");
    }
    if (pure == 1) {
        svTagsAccessor.AddTag("sv_pure1");
    } else if (pure == 2) {
        svTagsAccessor.AddTag("sv_pure2");
    }
}

void Travik::showAllRemovalMenu(bool unloaded) {
    MRecipientFilter filter;
    filter.AddAllPlayers(GetMaxClients());
    SendMenu(filter, 6,
             unloaded ? "[Travik] Has been disabled (unloaded)\n"
                      : "[Travik] Has been disabled (tk_active 0)\n");
}
