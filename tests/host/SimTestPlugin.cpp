// A test plug-in: built like a real one (travik_module: only CreateInterface
// is exported) and driven by the host only through IServerPluginCallbacks.
// It records every callback, refuses a second instance of itself the way a
// real plug-in does, and answers a few client commands with user messages
// so that scenarios can show them.
#include <eiface.h>
#include <igameevents.h>
#include <iplayerinfo.h>
#include <irecipientfilter.h>
#include <iserverplugin.h>
#include <tier0/dbg.h>
#include <tier1/bitbuf.h>
#include <tier1/convar.h>
#include <tier1/tier1.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "ISimTestPlugin.h"

#ifdef _WIN32
#include <sys/timeb.h>
#include <windows.h>
#else
#include <sys/time.h>
#endif

namespace {

// Shared by every instance of the module (loading the same file twice
// gives the host the same object).
int g_loadCount = 0;
int g_successfulLoads = 0;

IVEngineServer* g_engine = nullptr;
IServerPluginHelpers* g_helpers = nullptr;
IGameEventManager2* g_events = nullptr;
IPlayerInfoManager* g_playerInfo = nullptr;

ConVar sim_test_var("sim_test_var", "1", 0, "A variable of the test plug-in");
// Clients copy it, so plug-ins that watch replicated variables see it come
// and go with this module.
ConVar sim_test_replicated("sim_test_replicated", "1", FCVAR_REPLICATED,
                           "A replicated variable of the test plug-in");
// Bounds and a help text of two lines, for listings of a plug-in's variables.
ConVar sim_test_bounded("sim_test_bounded", "5", 0,
                        "A bounded variable of the test plug-in\n\tits second line", true, 0.5f,
                        true, 10.0f);

CON_COMMAND(sim_test_cmd, "A command of the test plug-in") {
    Msg("[sim] sim_test_cmd ran with \"%s\"\n", args.ArgS());
}

const char* const kEvents[] = {"player_connect", "player_disconnect", "player_say",  "player_team",
                               "player_spawn",   "player_death",      "server_spawn"};

class OnePlayerFilter final : public IRecipientFilter {
public:
    explicit OnePlayerFilter(int index) : m_index(index) {}
    bool IsReliable() const override { return true; }
    bool IsInitMessage() const override { return false; }
    int GetRecipientCount() const override { return 1; }
    int GetRecipientIndex(int slot) const override { return slot == 0 ? m_index : -1; }

private:
    int m_index;
};

std::string Format(const char* format, ...) FMTFUNCTION(1, 2);
std::string Format(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

#ifdef _WIN32
// 100-nanosecond intervals since 1601 to seconds since 1970.
long long EpochSeconds(const FILETIME& time) {
    const unsigned long long ticks =
        (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<long long>(ticks / 10000000ULL) - 11644473600LL;
}
#endif

long long ReadWallClock(const char* source) {
    const std::string name = source ? source : "";
    if (name == "time")
        return static_cast<long long>(std::time(nullptr));
#ifdef _WIN32
    if (name == "_time32")
        return _time32(nullptr);
    if (name == "_time64")
        return _time64(nullptr);
    if (name == "_ftime64") {
        __timeb64 now{};
        _ftime64(&now);
        return now.time;
    }
    if (name == "GetSystemTimeAsFileTime") {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        return EpochSeconds(now);
    }
    if (name == "GetSystemTime") {
        SYSTEMTIME now{};
        GetSystemTime(&now);
        FILETIME asFileTime{};
        return SystemTimeToFileTime(&now, &asFileTime) ? EpochSeconds(asFileTime) : -1;
    }
    if (name == "lookup:_time64") {
        using Time64 = __time64_t(__cdecl*)(__time64_t*);
        HMODULE crt = GetModuleHandleA("msvcrt.dll");
        auto* function =
            crt ? reinterpret_cast<Time64>(reinterpret_cast<void*>(GetProcAddress(crt, "_time64")))
                : nullptr;
        return function ? function(nullptr) : -1;
    }
    if (name == "lookup:GetSystemTimeAsFileTime") {
        using FileTime = void(WINAPI*)(FILETIME*);
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        auto* function = kernel ? reinterpret_cast<FileTime>(reinterpret_cast<void*>(
                                      GetProcAddress(kernel, "GetSystemTimeAsFileTime")))
                                : nullptr;
        if (!function)
            return -1;
        FILETIME now{};
        function(&now);
        return EpochSeconds(now);
    }
#else
    if (name == "gettimeofday") {
        timeval now{};
        return gettimeofday(&now, nullptr) == 0 ? now.tv_sec : -1;
    }
    if (name == "clock_gettime") {
        timespec now{};
        return clock_gettime(CLOCK_REALTIME, &now) == 0 ? now.tv_sec : -1;
    }
#endif
    return -1;
}

class SimTestPlugin final : public IServerPluginCallbacks,
                            public IGameEventListener2,
                            public ISimTestPlugin {
public:
    // IServerPluginCallbacks
    bool Load(CreateInterfaceFn interfaceFactory, CreateInterfaceFn gameServerFactory) override {
        if (++g_loadCount > 1) {
            Record("Load refused");
            Msg("[sim] a second instance is refused\n");
            return false;
        }
        Record("Load");
        ConnectTier1Libraries(&interfaceFactory, 1);
        g_engine =
            static_cast<IVEngineServer*>(interfaceFactory(INTERFACEVERSION_VENGINESERVER, nullptr));
        g_helpers = static_cast<IServerPluginHelpers*>(
            interfaceFactory(INTERFACEVERSION_ISERVERPLUGINHELPERS, nullptr));
        g_events = static_cast<IGameEventManager2*>(
            interfaceFactory(INTERFACEVERSION_GAMEEVENTSMANAGER2, nullptr));
        g_playerInfo = static_cast<IPlayerInfoManager*>(
            gameServerFactory(INTERFACEVERSION_PLAYERINFOMANAGER, nullptr));
        if (!g_engine || !g_helpers || !g_events || !g_playerInfo || !g_pCVar)
            return false;
        ConVar_Register(0);
        ++g_successfulLoads;
        Msg("[sim] test plug-in loaded\n");
        return true;
    }

    void Unload() override {
        if (g_loadCount >= 2) {
            Record("Unload secondary");
        } else {
            Record("Unload");
            if (g_events)
                g_events->RemoveListener(this);
            ConVar_Unregister();
            DisconnectTier1Libraries();
        }
        --g_loadCount;
    }

    void Pause() override { Record("Pause"); }
    void UnPause() override { Record("UnPause"); }
    const char* GetPluginDescription() override { return "Sim Test Plugin 1.0"; }

    void LevelInit(const char* mapName) override {
        Record(Format("LevelInit %s", mapName));
        for (const char* event : kEvents)
            g_events->AddListener(this, event, true);
    }
    void ServerActivate(edict_t*, int edictCount, int clientMax) override {
        Record(Format("ServerActivate %d %d", edictCount, clientMax));
    }
    void GameFrame(bool) override { ++m_frames; }
    void LevelShutdown() override {
        Record("LevelShutdown");
        g_events->RemoveListener(this);
    }
    void ClientActive(edict_t* entity) override {
        Record(Format("ClientActive %d", Index(entity)));
    }
    void ClientDisconnect(edict_t* entity) override {
        Record(Format("ClientDisconnect %d", Index(entity)));
    }
    void ClientPutInServer(edict_t* entity, const char* playerName) override {
        Record(Format("ClientPutInServer %d %s", Index(entity), playerName));
    }
    void SetCommandClient(int index) override { Record(Format("SetCommandClient %d", index)); }
    void ClientSettingsChanged(edict_t* edict) override {
        Record(Format("ClientSettingsChanged %d", Index(edict)));
    }
    PLUGIN_RESULT ClientConnect(bool* allowConnect, edict_t* entity, const char* name,
                                const char* address, char* reject, int maxRejectLength) override {
        Record(Format("ClientConnect %d %s %s [%s]", Index(entity), name, address, reject));
        auto refusal = m_refusals.find(name);
        if (refusal == m_refusals.end())
            return PLUGIN_CONTINUE;
        *allowConnect = false;
        std::snprintf(reject, static_cast<size_t>(maxRejectLength), "%s", refusal->second.c_str());
        return PLUGIN_STOP;
    }
    PLUGIN_RESULT ClientCommand(edict_t* entity, const CCommand& args) override {
        Record(Format("ClientCommand %d %s", Index(entity), args.GetCommandString()));
        if (PLUGIN_RESULT answer; SendsMessage(entity, args, answer))
            return answer;
        auto scripted = m_answers.find(args[0]);
        return scripted == m_answers.end() ? PLUGIN_CONTINUE
                                           : static_cast<PLUGIN_RESULT>(scripted->second);
    }
    PLUGIN_RESULT NetworkIDValidated(const char* userName, const char* networkID) override {
        Record(Format("NetworkIDValidated %s %s", userName, networkID));
        return PLUGIN_CONTINUE;
    }
    void OnQueryCvarValueFinished(QueryCvarCookie_t cookie, edict_t* playerEntity,
                                  EQueryCvarValueStatus status, const char* cvarName,
                                  const char* cvarValue) override {
        Record(Format("OnQueryCvarValueFinished %d %d %d %s %s", cookie, Index(playerEntity),
                      static_cast<int>(status), cvarName, cvarValue));
        Msg("[sim] query %d: %s = \"%s\" (status %d)\n", cookie, cvarName, cvarValue,
            static_cast<int>(status));
    }
    void OnEdictAllocated(edict_t* edict) override {
        Record(Format("OnEdictAllocated %d", Index(edict)));
    }
    void OnEdictFreed(const edict_t* edict) override {
        Record(Format("OnEdictFreed %d", Index(edict)));
    }

    // IGameEventListener2
    void FireGameEvent(IGameEvent* event) override {
        const std::string name = event->GetName();
        Record("FireGameEvent " + name);
        if (name == "player_say")
            Msg("[sim] userid %d said \"%s\"\n", event->GetInt("userid"), event->GetString("text"));
    }

    // ISimTestPlugin
    int CallCount() const override { return static_cast<int>(m_calls.size()); }
    const char* Call(int index) const override {
        return index >= 0 && index < CallCount() ? m_calls[static_cast<size_t>(index)].c_str() : "";
    }
    void ClearCalls() override { m_calls.clear(); }
    int GameFrames() const override { return m_frames; }
    int SuccessfulLoads() const override { return g_successfulLoads; }
    void RefuseConnect(const char* name, const char* reason) override { m_refusals[name] = reason; }
    void AnswerCommand(const char* command, int result) override { m_answers[command] = result; }
    int StartQuery(int entityIndex, const char* cvarName) override {
        return g_helpers->StartQueryCvarValue(g_engine->PEntityOfEntIndex(entityIndex), cvarName);
    }
    long long WallTime() const override { return static_cast<long long>(std::time(nullptr)); }
    long long WallTimeBy(const char* source) const override { return ReadWallClock(source); }

private:
    void Record(std::string call) { m_calls.push_back(std::move(call)); }
    int Index(const edict_t* edict) const { return g_engine ? g_engine->IndexOfEdict(edict) : -1; }

    // sim_chat, sim_hint, sim_center, sim_menu, sim_query: the plug-in's own
    // client commands, answered with a message to the sender and stopped.
    // sim_nested_message and sim_stray_end misuse user messages, as a faulty
    // plug-in might.
    bool SendsMessage(edict_t* entity, const CCommand& args, PLUGIN_RESULT& answer) {
        const std::string command = args[0];
        const int index = Index(entity);
        answer = PLUGIN_STOP;
        if (command == "sim_chat") {
            Send(index, 3, [&](bf_write& buffer) {
                buffer.WriteByte(0);
                buffer.WriteString(Format("\x03[sim]\x04 %s\n", args.ArgS()).c_str());
                buffer.WriteByte(0);
            });
        } else if (command == "sim_hint") {
            Send(index, 22, [&](bf_write& buffer) {
                buffer.WriteByte(1);
                buffer.WriteString(args.ArgS());
            });
        } else if (command == "sim_center") {
            Send(index, 5, [&](bf_write& buffer) {
                buffer.WriteByte(4);
                buffer.WriteString(args.ArgS());
            });
        } else if (command == "sim_menu") {
            Send(index, 10, [&](bf_write& buffer) {
                buffer.WriteWord(0x3ff);
                buffer.WriteChar(10);
                buffer.WriteByte(0);
                buffer.WriteString(Format("->1. %s\n->2. Close\n", args.ArgS()).c_str());
            });
        } else if (command == "sim_nested_message") {
            Send(index, 3, [&](bf_write& buffer) {
                buffer.WriteByte(0);
                Send(index, 3, [](bf_write& inner) { inner.WriteByte(0); });
            });
        } else if (command == "sim_stray_end") {
            g_engine->MessageEnd();
        } else if (command == "sim_query") {
            const int cookie = StartQuery(index, args[1]);
            g_engine->ClientPrintf(entity, Format("[sim] query %d sent\n", cookie).c_str());
        } else {
            return false;
        }
        return true;
    }

    template <typename Writer>
    void Send(int index, int type, Writer write) {
        OnePlayerFilter filter(index);
        bf_write* buffer = g_engine->UserMessageBegin(&filter, type);
        write(*buffer);
        g_engine->MessageEnd();
    }

    std::vector<std::string> m_calls;
    std::map<std::string, std::string> m_refusals;
    std::map<std::string, int> m_answers;
    int m_frames = 0;
};

SimTestPlugin g_plugin;

}  // namespace

EXPOSE_SINGLE_INTERFACE_GLOBALVAR(SimTestPlugin, IServerPluginCallbacks,
                                  INTERFACEVERSION_ISERVERPLUGINCALLBACKS, g_plugin);
EXPOSE_SINGLE_INTERFACE_GLOBALVAR(SimTestPlugin, ISimTestPlugin, SIM_TEST_PLUGIN_VERSION, g_plugin);
