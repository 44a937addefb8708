#pragma once

#include <memory>
#include <string>
#include <vector>

#include "auth/TKAuthHost.h"

class CCommand;
struct edict_t;

// Which auth host is in use, if any, and the plug-in's one way to it: the
// plug-in hands it players, frames, disconnects and level changes. Known
// hosts are picked by a short alias (tk_authhost esl); any other text is
// taken as a URL. The host is asked only in war mode while the plug-in is
// active.
class TKAuthManager {
public:
    TKAuthManager();
    ~TKAuthManager();
    TKAuthManager(const TKAuthManager&) = delete;
    TKAuthManager& operator=(const TKAuthManager&) = delete;

    // At load: the operator's hosts of cfg/travik_authhosts.txt join the
    // built-in ones.
    void Init();
    // At unload: no host in use, no transfer, the operator's hosts gone.
    void Unload();

    // A known host stays in the list; a typed one is deleted once replaced.
    void SetAuthHost(TKAuthHost* host);
    void RemoveAuthHost() { SetAuthHost(nullptr); }
    TKAuthHost* GetCurrentAuthHost() const { return m_Current; }
    bool IsAuthHostSet() const { return m_Current != nullptr; }
    // The first known host whose URL / alias / alias, else URL, is the text.
    TKAuthHost* GetAuthHostByURL(const std::string& text) const;
    TKAuthHost* GetAuthHostByAlias(const std::string& text) const;
    TKAuthHost* GetAuthHostByURLOrAlias(const std::string& text) const;

    void AddPlayerToAuth(edict_t* player);
    void OnClientDisconnect(edict_t* player);
    void Reset();
    void OnGameFrame();
    void PrintAuthedPlayers(edict_t* requester);

    void ChangeTKAuthHost(const CCommand& command);
    void TKPlayersCommand(const CCommand& command);

private:
    // Hands every connected human to the host in use.
    void AskEverybody();
    void DropCurrent();

    TKAuthHost* m_Current = nullptr;
    std::vector<std::unique_ptr<TKAuthHost>> m_Known;
    // How many of m_Known are built in; the rest came from the operator's file.
    std::size_t m_BuiltIn = 0;
};
