// The "tk_netinfo" table: each real player's network settings as the host
// applies them, not as the client asks for them.
#include <edict.h>
#include <eiface.h>
#include <iplayerinfo.h>
#include <tier1/convar.h>

#include <cstdlib>
#include <string>

#include "core/EffectiveRates.h"
#include "core/FixedBuffer.h"
#include "core/HostInterfaces.h"
#include "core/PlayerIdentity.h"
#include "core/PlayerSlots.h"
#include "core/travik_plugin.h"
#include "support/TrimSteamID.h"

namespace {

// What the host knows of one client's settings.
class ClientSettings {
public:
    explicit ClientSettings(int index) : m_Index(index) {}

    const char* Text(const char* name) const {
        const char* value = g_host.engine->GetClientConVarValue(m_Index, name);
        return value ? value : "";
    }
    int Number(const char* name) const { return std::atoi(Text(name)); }

private:
    int m_Index;
};

int IntOf(const ConVar* var) {
    return var ? var->GetInt() : 0;
}

ServerRateLimits HostLimits() {
    const ServerCvars& s = g_serverCvars;
    ServerRateLimits limits;
    limits.minRate = IntOf(s.sv_minrate);
    limits.maxRate = IntOf(s.sv_maxrate);
    limits.minCmdRate = IntOf(s.sv_mincmdrate);
    limits.maxCmdRate = IntOf(s.sv_maxcmdrate);
    limits.minUpdateRate = IntOf(s.sv_minupdaterate);
    limits.maxUpdateRate = IntOf(s.sv_maxupdaterate);
    limits.cmdRateDifference = IntOf(s.sv_client_cmdrate_difference);
    return limits;
}

// The server's sv_client_predict decides unless it leaves it to the client.
int Prediction(const ClientSettings& client) {
    const int server = IntOf(g_serverCvars.sv_client_predict);
    return server == 0 || server == 1 ? server : client.Number("cl_predict");
}

}  // namespace

void Travik::PrintNetInfo(edict_t* edict) {
    if (!g_host.engine) {
        return;
    }
    FixedBuffer<256> line;
    g_host.engine->ClientPrintf(
        edict, line.Format("\nTravik Client Net Settings:\n%-4s | %-26s | %-12s | %-13s | %-6s | "
                           "%-4s | %-2s\n",
                           "UID", "Name", "Steam ID", "Rate/Cmd/Upd", "Interp", "Pred", "LC"));
    const ServerRateLimits limits = HostLimits();
    for (int index = 1; index <= GetMaxClients(); ++index) {
        edict_t* player = nullptr;
        IPlayerInfo* info = GetRealPlayerInfo(index, &player);
        if (!info) {
            continue;
        }
        const ClientSettings client(index);
        ClientRates asked;
        asked.rate = client.Number("rate");
        asked.cmdRate = client.Number("cl_cmdrate");
        asked.updateRate = client.Number("cl_updaterate");
        const ClientRates rates = EffectiveRates(asked, limits);
        const float* lerp = internalVarAccessor.GetLerpTime(player);
        const char* id = g_host.engine->GetPlayerNetworkIDString(player);
        std::string steamId = id ? id : "";
        TrimSteamID(steamId);
        g_host.engine->ClientPrintf(
            edict, line.Format("#%-3d | %-26s | %-12s | %-5i/%-3i/%-3i | %-6.3f | %-4i | %-2s\n",
                               g_host.engine->GetPlayerUserId(player),
                               PlayerIdentity::ChatName(player).c_str(), steamId.c_str(),
                               rates.rate, rates.cmdRate, rates.updateRate, lerp ? *lerp : 0.1f,
                               Prediction(client), client.Text("cl_lagcompensation")));
    }
}
