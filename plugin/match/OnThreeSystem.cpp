#include "match/OnThreeSystem.h"

#include <eiface.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <cstring>

#include "core/FixedBuffer.h"
#include "core/GameClock.h"
#include "core/HostInterfaces.h"
#include "core/travik_services.h"
#include "match/MatchCommandGate.h"
#include "match/TKMatch.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"

ConVar tk_matchconfig("tk_matchconfig", "", 0,
                      "The name of the config file to be executed when Travik performs a LO3 "
                      "(Leave empty to not execute a config)");
ConVar tk_startmoney("tk_startmoney", "800", 0,
                     "After running 'tk_lo3' the start money will be reset to this value", true,
                     0.0f, true, 16000.0f);

CON_COMMAND(tk_lo3,
            "Prepares for a match going live by performing a live-on-three restarts sequence") {
    OnThreeSystem::LiveOnThree(args);
}

CON_COMMAND(tk_ko3,
            "Prepares for a knife round by performing a knives-on-three restarts sequence") {
    OnThreeSystem::KnivesOnThree(args);
}

namespace {

// The first restart waits for the announcement to be read.
constexpr float kAnnouncementPause = 1.6f;
constexpr float kThinkInterval = 0.25f;
// Chat lines sent at once, so that the text fills the chat box.
constexpr int kRepeats = 8;

void SendAllRepeated(const char* text) {
    for (int i = 0; i < kRepeats; ++i) {
        Messaging::SendAllMessage(text);
    }
}

// A restart runs before the call returns, so that the game sees it in its
// next frame.
void RunServerCommand(const char* line) {
    if (g_host.engine) {
        g_host.engine->ServerCommand(line);
        g_host.engine->ServerExecute();
    }
}

bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == '/';
}

}  // namespace

bool OnThreeSystem::IsPlainMatchConfigName(const char* name) {
    // "//" would start a comment on the exec line and cut the name there.
    if (!name || !*name || name[0] == '/' || std::strstr(name, "..") || std::strstr(name, "//")) {
        return false;
    }
    int length = 0;
    for (const char* c = name; *c; ++c) {
        if (!IsNameByte(*c) || ++length > kMaxMatchConfigName) {
            return false;
        }
    }
    return true;
}

void OnThreeSystem::LiveOnThree(const CCommand&) {
    if (!MayRun(true) || !ExecMatchConfig()) {
        return;
    }
    travik::getMatch()->PrintSteamIDs(false);
    travik::getOnThreeSystem()->Start(true);
}

void OnThreeSystem::KnivesOnThree(const CCommand&) {
    if (MayRun(false)) {
        travik::getOnThreeSystem()->Start(false);
    }
}

bool OnThreeSystem::MayRun(bool live) {
    if (!MatchCommandsAllowed()) {
        return false;
    }
    if (travik::getOnThreeSystem()->IsRunning()) {
        tkLog(true, live ? "[Travik] Unable to execute LO3, LO3/KO3 already in progress\n"
                         : "[Travik] Unable to execute KO3, LO3/KO3 already in progress\n");
        return false;
    }
    return true;
}

// The exec is queued, not run here: this runs inside a console command, and
// running the buffer from here would also run whatever follows on the line
// or in the file (a plugin_unload included) before we return. Queued, the
// file runs right after the command, before any frame and so before the
// first restart.
bool OnThreeSystem::ExecMatchConfig() {
    const char* name = tk_matchconfig.GetString();
    if (!*name) {
        return true;
    }
    if (!IsPlainMatchConfigName(name)) {
        Msg("[Travik] Unable to execute LO3, tk_matchconfig \"%s\" is not a plain file name "
            "under cfg/\n",
            LogSafe(name).c_str());
        return false;
    }
    tkLog(true, "Executing \"%s\" (Config File)\n", name);
    FixedBuffer<128> line;
    if (g_host.engine) {
        g_host.engine->ServerCommand(line.Format("exec %s\n", name));
    }
    return true;
}

void OnThreeSystem::Start(bool liveStart, int first, int second, int third) {
    running = true;
    live = liveStart;
    restartsDone = 0;
    restartDelay[0] = first;
    restartDelay[1] = second;
    restartDelay[2] = third;
    Messaging::SendAllCenteredMessage(live ? "LIVE ON THREE RESTARTS" : "KNIVES ON THREE RESTARTS");
    SendAllRepeated(live ? "\x03[Travik]\x04 LIVE on three restarts!!!\n"
                         : "\x03[Travik]\x04 KNIVES on three restarts!!!\n");
    SleepFor(kAnnouncementPause);
}

void OnThreeSystem::SleepFor(float seconds) {
    wakeTime = GameClock::Now() + seconds;
    sleeping = true;
}

void OnThreeSystem::WakeUp() {
    sleeping = false;
    wakeTime = 0.0f;
}

void OnThreeSystem::OnGameFrame() {
    if (!running) {
        return;
    }
    const float now = GameClock::Now();
    if (now < nextThinkTime) {
        return;
    }
    nextThinkTime = now + kThinkInterval;
    if (sleeping && now >= wakeTime) {
        WakeUp();
        StartRound(restartsDone + 1);
    }
}

void OnThreeSystem::StartRound(int n) {
    if (n < 1 || n > kRestarts) {
        return;
    }
    SendAllRepeated(" \n");
    FixedBuffer<64> line;
    Messaging::SendAllMessage(line.Format("\x03[Travik]\x04 Restart %i\n", n));
    if (live && n == kRestarts) {
        // The game pays the start money when it restarts: set after the
        // last restart, it would leave the first live round with the
        // warm-up's money.
        ResetStartMoney();
    }
    RestartRound(restartDelay[n - 1]);
}

void OnThreeSystem::ResetStartMoney() {
    ConVar* startMoney = g_serverCvars.mp_startmoney;
    if (startMoney && startMoney->GetInt() != tk_startmoney.GetInt()) {
        startMoney->SetValue(tk_startmoney.GetInt());
    }
}

void OnThreeSystem::RestartRound(int seconds) {
    FixedBuffer<20> line;
    RunServerCommand(line.Format("mp_restartgame %i\n", seconds));
}

void OnThreeSystem::OnRoundStart() {
    if (!running) {
        return;
    }
    ++restartsDone;
    if (restartsDone < kRestarts) {
        StartRound(restartsDone + 1);
    } else {
        Complete();
    }
}

void OnThreeSystem::Complete() {
    if (live) {
        ResetStartMoney();
        SendAllRepeated("\x03[Travik]\x04 MATCH IS LIVE!!!\n");
        Messaging::SendAllCenteredMessage("Match is LIVE!!!");
    } else {
        SendAllRepeated("\x03[Travik]\x04 KNIVES!\n");
        Messaging::SendAllCenteredMessage("KNIVES!!!");
    }
    Stop();
}

void OnThreeSystem::Stop() {
    restartsDone = 0;
    running = false;
    sleeping = false;
    wakeTime = 0.0f;
    nextThinkTime = 0.0f;
}
