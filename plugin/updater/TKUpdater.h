#pragma once

#include <ctime>
#include <string>

#include "net/HttpTransfer.h"

class CCommand;
class IConVar;
struct edict_t;

// Keeps the plug-in current: asks the update server every six hours (and on
// tk_update) whether a newer module exists, downloads it beside the running
// one, installs it only when its MD5 and its release signature check out,
// and points the host's description files at it for the next start. The
// module it replaces is deleted at that start. All network work runs from
// the frame through one HttpTransfer.
class TKUpdater {
public:
    // What the updater is doing, read by tk_update.
    enum Status { kIdle = 0, kQuerying = 1, kUpdateFound = 2, kDownloading = 3, kDownloaded = 4 };

    // Files larger than this are no module: the download is abandoned.
    static constexpr std::size_t kMaxDownload = 64 * 1024 * 1024;

    void OnGameFrame(bool simulating);
    // The leaving client still counts as connected while the host tells the
    // plug-ins, so it is left out of the count of real players.
    void OnClientDisconnect(edict_t* leaving);
    void Reset();
    // Drops a transfer under way and its partial file before the module goes.
    void Unload();
    // At load: deletes the module file a previous update replaced (named in
    // travikold.txt) and the note. True when a module file was deleted.
    bool RemoveOldTravik();
    int GetStatus() const { return m_status; }

    // tk_update [beta].
    void OnUpdateCommand(const CCommand& args);
    static void OnTKAutoUpdateChange(IConVar* var, const char* oldValue, float oldFloat);
    void SetAutoUpdateValue(int value) { m_autoUpdateValue = value; }
    int GetAutoUpdateValue() const { return m_autoUpdateValue; }

private:
    void CheckForUpdate(edict_t* requester, bool beta, bool manual);
    void DownloadUpdate(edict_t* requester, bool manual);
    void Poll();
    void OnQueryResultFetched();
    void OnFileDownloadFinished();
    // Whether the finished download is the offered module: its MD5 and its
    // release signature; a file that fails is deleted.
    bool VerifyDownloadedFile();
    void InstallNewVersion(const std::string& versionSuffix);
    bool UpdateVdfFile(const char* fileName, const std::string& folder,
                       const std::string& versionSuffix);
    bool SaveOldFileName(const std::string& fileName);
    bool HasUpdateTimeElapsed(bool manual) const;
    void CleanUpFailedQuery();
    // The download could not be installed: the update is still to be had.
    void AbandonDownload();
    // Starts the transfer and enters `status`; a transfer that does not
    // start is reported with the text for `where` and cleaned up.
    bool StartTransfer(const HttpTransfer::Request& request, const char* where, int status);
    // Drops the transfer under way; a download's update stays on offer.
    void EndTransfer();
    // The update server's base URL from tk_updateurl, without a trailing
    // '/'; "" (said once per load) when none is set.
    std::string ServerUrl(bool manual);
    void TellRequester(const char* text);
    // Removes a file of the module's folder.
    void DeleteModuleFolderFile(const std::string& fileName);
    // Renames the verified download to its module name, replacing a file of
    // that name.
    bool MoveDownloadIntoPlace();

    float m_nextFrameTime = 0.0f;
    bool m_busy = false;
    std::time_t m_lastQueryTime = 0;
    int m_autoUpdateValue = 1;
    HttpTransfer m_transfer;
    int m_status = kIdle;
    std::string m_currentUrl;
    std::string m_downloadUrl;
    std::string m_version;
    std::string m_digest;
    std::string m_signature;
    // The digest of the last update that was downloaded and verified: an
    // answer offering it again needs no download.
    std::string m_downloadedDigest;
    std::string m_targetPath;    // travik<suffix>.so beside the module
    std::string m_downloadPath;  // where it arrives until verified
    edict_t* m_requester = nullptr;
    bool m_manual = false;
    bool m_saidNoServer = false;
};
