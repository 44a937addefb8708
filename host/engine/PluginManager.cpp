#include "engine/PluginManager.h"

#include <strings.h>
#include <tier0/dbg.h>

#include <algorithm>
#include <filesystem>

#include "engine/GameEventManager.h"
#include "engine/Platform.h"
#include "engine/VdfReader.h"
#include "engine/WholeFile.h"

namespace sim {

namespace {

// Keeps the plug-in list from shrinking while it is being walked.
class WalkScope {
public:
    explicit WalkScope(int& walking) : m_walking(walking) { ++m_walking; }
    ~WalkScope() { --m_walking; }

private:
    int& m_walking;
};

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

const void* ModuleBaseOf(const void* address) {
    return SharedModule::BaseOf(address);
}

}  // namespace

PluginManager::PluginManager(std::string gameDir, CreateInterfaceFn engineFactory,
                             GameEventManager& events)
    : m_gameDir(std::move(gameDir)), m_engineFactory(engineFactory), m_events(events) {}

PluginManager::~PluginManager() {
    UnloadAll();
}

std::string PluginManager::ModulePath(const std::string& file) const {
    std::string path = file;
    for (char& c : path)
        if (c == '\\')
            c = '/';
    if (!EndsWith(path, kModuleExtension))
        path += kModuleExtension;
    return IsAbsolutePath(path) ? path : m_gameDir + "/" + path;
}

int PluginManager::Load(const std::string& file) {
    Plugin plugin;
    plugin.file = file;
    std::string error;
    plugin.handle = SharedModule::Open(ModulePath(file), error);
    if (!plugin.handle) {
        Warning("Unable to load plugin \"%s\"\n", file.c_str());
        Warning("%s\n", error.c_str());
        return -1;
    }
    plugin.factory =
        reinterpret_cast<CreateInterfaceFn>(SharedModule::Symbol(plugin.handle, "CreateInterface"));
    if (plugin.factory)
        plugin.callbacks = static_cast<IServerPluginCallbacks*>(
            plugin.factory(INTERFACEVERSION_ISERVERPLUGINCALLBACKS, nullptr));
    if (!plugin.callbacks) {
        Warning("Could not get IServerPluginCallbacks interface from plugin \"%s\"\n",
                file.c_str());
        SharedModule::Close(plugin.handle);
        return -1;
    }
    if (!plugin.callbacks->Load(m_engineFactory, m_gameFactory)) {
        Warning("Failed to load plugin \"%s\"\n", file.c_str());
        // The host lets a refused plug-in undo what it did before dropping it.
        plugin.callbacks->Unload();
        Release(plugin);
        return -1;
    }
    plugin.description =
        plugin.callbacks->GetPluginDescription() ? plugin.callbacks->GetPluginDescription() : "";
    m_plugins.push_back(std::move(plugin));
    return Count() - 1;
}

void PluginManager::LoadFromAddons() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_gameDir + "/addons", error))
        if (entry.is_regular_file() && entry.path().extension() == ".vdf")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        std::string text;
        WholeFile::Read(path.string(), text);
        const auto keys = VdfReader::Parse(text);
        const std::string* file =
            keys && keys->name.size() == 6 && strncasecmp(keys->name.c_str(), "Plugin", 6) == 0
                ? keys->Get("file")
                : nullptr;
        if (!file) {
            Warning("Unable to read plugin description file \"%s\"\n",
                    path.filename().string().c_str());
            continue;
        }
        Load(*file);
    }
}

bool PluginManager::IsValidIndex(int index) const {
    return index >= 0 && index < Count() && !m_plugins[static_cast<size_t>(index)].gone;
}

bool PluginManager::SharesModule(const Plugin& plugin) const {
    return std::any_of(m_plugins.begin(), m_plugins.end(), [&](const Plugin& other) {
        return &other != &plugin && !other.gone && other.handle == plugin.handle;
    });
}

// A plug-in that forgot to remove its event listener would leave the event
// manager calling into an unloaded module.
void PluginManager::RemoveLeftoverListeners(const Plugin& plugin) {
    const void* base = ModuleBaseOf(reinterpret_cast<const void*>(plugin.factory));
    if (!base || SharesModule(plugin))
        return;
    const size_t removed = m_events.RemoveListenersIf(
        [base](IGameEventListener2* listener) { return ModuleBaseOf(listener) == base; });
    if (removed)
        Warning("Plugin \"%s\" left %zu game event listener(s) behind; removed\n",
                plugin.file.c_str(), removed);
}

void PluginManager::Release(Plugin& plugin) {
    RemoveLeftoverListeners(plugin);
    if (plugin.handle)
        SharedModule::Close(plugin.handle);
    plugin.handle = nullptr;
    plugin.callbacks = nullptr;
    plugin.gone = true;
}

bool PluginManager::Unload(int index) {
    if (!IsValidIndex(index))
        return false;
    Plugin& plugin = m_plugins[static_cast<size_t>(index)];
    IServerPluginCallbacks* callbacks = plugin.callbacks;
    plugin.gone = true;
    callbacks->Unload();
    Sweep();
    return true;
}

void PluginManager::UnloadAll() {
    for (int i = Count() - 1; i >= 0; --i)
        Unload(i);
}

void PluginManager::Sweep() {
    if (m_walking > 0)
        return;
    for (auto it = m_plugins.begin(); it != m_plugins.end();) {
        if (it->gone) {
            Plugin gone = std::move(*it);
            it = m_plugins.erase(it);
            Release(gone);
        } else {
            ++it;
        }
    }
}

bool PluginManager::Pause(int index) {
    if (!IsValidIndex(index))
        return false;
    Plugin& plugin = m_plugins[static_cast<size_t>(index)];
    if (plugin.paused) {
        Msg("Plugin %d is already paused.\n", index);
        return true;
    }
    plugin.paused = true;
    plugin.callbacks->Pause();
    return true;
}

bool PluginManager::UnPause(int index) {
    if (!IsValidIndex(index))
        return false;
    Plugin& plugin = m_plugins[static_cast<size_t>(index)];
    if (!plugin.paused) {
        Msg("Plugin %d is not paused.\n", index);
        return true;
    }
    plugin.paused = false;
    plugin.callbacks->UnPause();
    return true;
}

void PluginManager::Print() const {
    Msg("Loaded plugins:\n");
    Msg("---------------------\n");
    for (int i = 0; i < Count(); ++i) {
        const Plugin& plugin = m_plugins[static_cast<size_t>(i)];
        if (!plugin.gone)
            Msg("%d:\t\"%s\"%s\n", i, plugin.description.c_str(),
                plugin.paused ? " (disabled)" : "");
    }
    Msg("---------------------\n");
}

IServerPluginCallbacks* PluginManager::Callbacks(int index) const {
    return IsValidIndex(index) ? m_plugins[static_cast<size_t>(index)].callbacks : nullptr;
}

CreateInterfaceFn PluginManager::ModuleFactory(int index) const {
    return IsValidIndex(index) ? m_plugins[static_cast<size_t>(index)].factory : nullptr;
}

const std::string& PluginManager::Description(int index) const {
    static const std::string kNone;
    return IsValidIndex(index) ? m_plugins[static_cast<size_t>(index)].description : kNone;
}

bool PluginManager::IsPaused(int index) const {
    return IsValidIndex(index) && m_plugins[static_cast<size_t>(index)].paused;
}

void PluginManager::ForEach(const std::function<void(IServerPluginCallbacks&)>& f) {
    {
        WalkScope walk(m_walking);
        // Plug-ins loaded during the walk wait for the next call.
        const size_t count = m_plugins.size();
        for (size_t i = 0; i < count; ++i)
            if (Running(m_plugins[i]))
                f(*m_plugins[i].callbacks);
    }
    Sweep();
}

PLUGIN_RESULT PluginManager::ForEachUntilStop(
    const std::function<PLUGIN_RESULT(IServerPluginCallbacks&)>& f, bool* overridden) {
    PLUGIN_RESULT result = PLUGIN_CONTINUE;
    if (overridden)
        *overridden = false;
    {
        WalkScope walk(m_walking);
        const size_t count = m_plugins.size();
        for (size_t i = 0; i < count; ++i) {
            if (!Running(m_plugins[i]))
                continue;
            result = f(*m_plugins[i].callbacks);
            if (result == PLUGIN_STOP)
                break;
            if (result == PLUGIN_OVERRIDE && overridden)
                *overridden = true;
        }
    }
    Sweep();
    return result;
}

}  // namespace sim
