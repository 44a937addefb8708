#pragma once

// The state of a feature's hook that is installed while the plug-in is active
// and the feature's switch is on: the wanted state is compared with the
// installed one and only a difference is acted on, so a feature may be
// configured as often as its callers like. A change is announced on the
// console as "[Travik] <label> Hook Enabled" or "... Disabled"; a hook
// without a label announces itself, if at all.
class SwitchedHook {
public:
    explicit SwitchedHook(const char* label) : m_Label(label) {}

    // Installs the hook when wanted and not installed, removes it when
    // installed and not wanted. `install` answers whether the hook is in
    // place; a hook that could not be installed stays off and says nothing.
    // True when the state changed.
    template <class Install, class Remove>
    bool Follow(bool wanted, Install&& install, Remove&& remove) {
        if (wanted == m_Installed) {
            return false;
        }
        if (wanted && !install()) {
            return false;
        }
        if (!wanted) {
            remove();
        }
        m_Installed = wanted;
        Announce();
        return true;
    }

    // Follow with the wanted state of such a hook: the plug-in active and
    // the feature's switch on.
    template <class Install, class Remove>
    bool Configure(bool switchOn, Install&& install, Remove&& remove) {
        return Follow(PluginActive() && switchOn, install, remove);
    }

    // Removes an installed hook without a word (the plug-in unloads).
    template <class Remove>
    void Unload(Remove&& remove) {
        if (m_Installed) {
            remove();
            m_Installed = false;
        }
    }

    bool IsInstalled() const { return m_Installed; }

private:
    static bool PluginActive();
    void Announce() const;

    const char* m_Label;
    bool m_Installed = false;
};
