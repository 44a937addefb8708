#include "UsercmdDriver.h"

#include <igamemovement.h>

#include <algorithm>
#include <cmath>

#include "BasePlayer.h"
#include "EntityList.h"

namespace cstrike {

namespace {

// Bounds what one tick may run, whatever rate a client claims.
constexpr float kMaxCommandsPerTick = 64.0f;
// Bounds the backlog of a stalled client: a few seconds of a fast sender.
constexpr float kMaxBacklog = 1024.0f;

}  // namespace

UsercmdDriver::UsercmdDriver(EntityList& entities, IGameMovement* movement,
                             const CGlobalVars& globals)
    : m_Entities(entities), m_pMovement(movement), m_Globals(globals) {}

UsercmdDriver::ClientRecord* UsercmdDriver::FindRecord(const CBasePlayer* player) {
    for (ClientRecord& record : m_Clients) {
        if (player && record.player == player->GetRefEHandle()) {
            return &record;
        }
    }
    return nullptr;
}

const UsercmdDriver::ClientRecord* UsercmdDriver::Find(const CBasePlayer* player) const {
    return const_cast<UsercmdDriver*>(this)->FindRecord(player);
}

void UsercmdDriver::SetClient(CBasePlayer* player, float commandsPerSecond) {
    if (!player || player->GetEntityList() != &m_Entities) {
        return;
    }
    ClientRecord* record = FindRecord(player);
    if (!record) {
        record = &m_Clients.emplace_back();
        record->player = player->GetRefEHandle();
    }
    record->commandsPerSecond =
        std::isfinite(commandsPerSecond) && commandsPerSecond > 0.0f ? commandsPerSecond : 0.0f;
}

void UsercmdDriver::RemoveClient(CBasePlayer* player) {
    std::erase_if(m_Clients, [player](const ClientRecord& record) {
        return player && record.player == player->GetRefEHandle();
    });
}

void UsercmdDriver::SetInput(CBasePlayer* player, const CUserCmd& input) {
    if (ClientRecord* record = FindRecord(player)) {
        record->input = input;
    }
}

void UsercmdDriver::Stall(CBasePlayer* player, int ticks) {
    if (ClientRecord* record = FindRecord(player)) {
        record->stalledTicks = std::max(record->stalledTicks, ticks);
    }
}

void UsercmdDriver::RunTick() {
    std::erase_if(m_Clients,
                  [this](const ClientRecord& record) { return !m_Entities.Lookup(record.player); });
    for (ClientRecord& record : m_Clients) {
        const float perTick = record.commandsPerSecond > 0.0f
                                  ? record.commandsPerSecond * m_Globals.interval_per_tick
                                  : 1.0f;
        if (record.stalledTicks > 0) {
            --record.stalledTicks;
            record.owed = std::min(record.owed + perTick, kMaxBacklog);
            continue;
        }
        // A backlog that just arrived is run whole; otherwise the cap holds.
        record.owed = record.owed > kMaxCommandsPerTick
                          ? record.owed + perTick
                          : std::min(record.owed + perTick, kMaxCommandsPerTick);
        auto* player = static_cast<CBasePlayer*>(m_Entities.Lookup(record.player));
        for (; record.owed >= 1.0f; record.owed -= 1.0f) {
            CUserCmd command = record.input;
            command.command_number = ++record.commandsRun;
            command.tick_count = m_Globals.tickcount;
            RunCommand(*player, command);
            record.lastVelocity = player->GetAbsVelocity();
        }
    }
}

void UsercmdDriver::SetupMove(CBasePlayer& player, const CUserCmd& command, CMoveData& move) const {
    move.m_nPlayerHandle = player.GetRefEHandle();
    move.m_vecViewAngles = command.viewangles;
    move.m_vecAbsViewAngles = command.viewangles;
    move.m_nButtons = command.buttons;
    move.m_nOldButtons = player.GetButtons();
    move.m_flForwardMove = command.forwardmove;
    move.m_flSideMove = command.sidemove;
    move.m_flUpMove = command.upmove;
    move.m_flMaxSpeed = player.GetMaxSpeed();
    move.m_flClientMaxSpeed = player.GetMaxSpeed();
    move.m_vecVelocity = player.GetAbsVelocity();
    move.m_vecAngles = command.viewangles;
    move.m_vecOldAngles = player.GetViewAngles();
    move.SetAbsOrigin(player.GetAbsOrigin());
}

void UsercmdDriver::RunCommand(CBasePlayer& player, const CUserCmd& command) {
    CMoveData move;
    SetupMove(player, command, move);
    if (m_pMovement) {
        m_pMovement->ProcessMovement(&player, &move);
    }
    player.SetAbsVelocity(move.m_vecVelocity);
    player.SetAbsOrigin(move.GetAbsOrigin());
    player.SetViewAngles(move.m_vecAngles);
    player.SetButtons(command.buttons);
    player.PlayerUse();
}

}  // namespace cstrike
