// The server's plug-ins: found through addons/*.vdf or loaded with
// plugin_load, opened with dlopen, asked for "ISERVERPLUGINCALLBACKS003"
// through their CreateInterface and from then on driven only through that
// interface, in the order they were loaded. A paused plug-in hears nothing
// until it is unpaused.
#pragma once

#include <iserverplugin.h>

#include <functional>
#include <string>
#include <vector>

class IGameEventListener2;

namespace sim {

class GameEventManager;

class PluginManager {
public:
    PluginManager(std::string gameDir, CreateInterfaceFn engineFactory, GameEventManager& events);
    ~PluginManager();

    PluginManager(const PluginManager&) = delete;
    PluginManager& operator=(const PluginManager&) = delete;

    void SetGameFactory(CreateInterfaceFn factory) { m_gameFactory = factory; }

    // Loads one plug-in ("addons/name", the engine adds ".so", ".dll" on Windows); answers its
    // index, or -1 after printing why.
    int Load(const std::string& file);
    // The plug-ins named by addons/*.vdf, in file-name order.
    void LoadFromAddons();
    bool Unload(int index);
    void UnloadAll();
    bool Pause(int index);
    bool UnPause(int index);
    void Print() const;

    int Count() const { return static_cast<int>(m_plugins.size()); }
    bool IsValidIndex(int index) const;
    IServerPluginCallbacks* Callbacks(int index) const;
    // The module's own CreateInterface (tests reach a test module's
    // private interface through it).
    CreateInterfaceFn ModuleFactory(int index) const;
    const std::string& Description(int index) const;
    bool IsPaused(int index) const;

    // Calls f for every running plug-in in load order.
    void ForEach(const std::function<void(IServerPluginCallbacks&)>& f);
    // The same, ending at the first plug-in that answers PLUGIN_STOP;
    // overridden tells whether one answered PLUGIN_OVERRIDE.
    PLUGIN_RESULT ForEachUntilStop(const std::function<PLUGIN_RESULT(IServerPluginCallbacks&)>& f,
                                   bool* overridden = nullptr);

private:
    struct Plugin {
        std::string file;
        void* handle = nullptr;
        CreateInterfaceFn factory = nullptr;
        IServerPluginCallbacks* callbacks = nullptr;
        std::string description;
        bool paused = false;
        bool gone = false;  // unloaded while the list was being walked
    };

    std::string ModulePath(const std::string& file) const;
    void Release(Plugin& plugin);
    void RemoveLeftoverListeners(const Plugin& plugin);
    bool SharesModule(const Plugin& plugin) const;
    // Drops unloaded entries once no walk over the list is running.
    void Sweep();
    bool Running(const Plugin& plugin) const { return !plugin.gone && !plugin.paused; }

    std::string m_gameDir;
    CreateInterfaceFn m_engineFactory;
    CreateInterfaceFn m_gameFactory = nullptr;
    GameEventManager& m_events;
    std::vector<Plugin> m_plugins;
    int m_walking = 0;
};

}  // namespace sim
