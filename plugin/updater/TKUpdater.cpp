#include "updater/TKUpdater.h"

#include <edict.h>
#include <eiface.h>
#include <filesystem.h>
#include <tier0/dbg.h>
#include <tier1/convar.h>

#include <cstring>
#include <vector>

#include "core/FixedBuffer.h"
#include "core/GameClock.h"
#include "core/HostInterfaces.h"
#include "core/PlayerIdentity.h"
#include "core/PlayerSlots.h"
#include "core/TKState.h"
#include "core/travik_services.h"
#include "messaging/Messaging.h"
#include "messaging/tkLog.h"
#include "support/md5.h"
#include "updater/TrustedKeys.h"
#include "updater/UpdateProtocol.h"

namespace {

void OnUpdateCommandCallback(const CCommand& args);

}  // namespace

ConVar tk_autoupdate("tk_autoupdate", "1", FCVAR_UNLOGGED,
                     "Enable/Disable Travik plugin auto-updating", true, 0.0f, true, 1.0f,
                     TKUpdater::OnTKAutoUpdateChange);
ConCommand tk_update("tk_update", OnUpdateCommandCallback,
                     "Manually checks for an update to the Travik plugin");
ConVar tk_updateurl("tk_updateurl", "", 0,
                    "Travik update server (http://host[:port]); empty: no update checks");

namespace {

using UpdateProtocol::AnswerKind;

constexpr const char* kUserAgent = "Travik";
constexpr long kTimeoutMs = 15000;
constexpr double kManualSpacing = 1800.0;
constexpr double kAutomaticSpacing = 21600.0;
constexpr float kFrameInterval = 0.15f;
constexpr const char* kSearchPath = "TRAVIK";
constexpr const char* kOldFileNote = "travikold.txt";
constexpr int kLineSize = 1024;
// Bounds what the update query's answer may hold.
constexpr std::size_t kMaxAnswer = 4096;

#ifdef _WIN32
constexpr const char* kModuleExtension = "dll";
#else
constexpr const char* kModuleExtension = "so";
#endif

const char* const kVdfFiles[] = {"travik.vdf", "travik_css.vdf", "travik_dods.vdf",
                                 "travik_tf2.vdf", "travik_hl2mp.vdf"};

void OnUpdateCommandCallback(const CCommand& args) {
    travik::getUpdater()->OnUpdateCommand(args);
}

// The module folder as a search path for the duration of one piece of file
// work.
class ModuleFolderPath {
public:
    explicit ModuleFolderPath(const std::string& folder) : m_folder(folder) {
        g_host.fileSystem->AddSearchPath(m_folder.c_str(), kSearchPath, PATH_ADD_TO_TAIL);
    }
    ~ModuleFolderPath() { g_host.fileSystem->RemoveSearchPath(m_folder.c_str(), kSearchPath); }
    ModuleFolderPath(const ModuleFolderPath&) = delete;
    ModuleFolderPath& operator=(const ModuleFolderPath&) = delete;

private:
    std::string m_folder;
};

std::string FileNameOf(const std::string& path) {
    size_t separator = path.rfind('\\');
    if (separator == std::string::npos) {
        separator = path.rfind('/');
    }
    return separator == std::string::npos ? std::string() : path.substr(separator + 1);
}

// Renames a file onto another name, replacing a file of that name. glibc's
// rename replaces it; Microsoft's C library will not, so that file is removed
// first, and only when the plain rename failed while the file to move is
// still there.
bool RenameOnto(IFileSystem* fs, const char* from, const char* to, const char* pathID) {
    if (fs->RenameFile(from, to, pathID)) {
        return true;
    }
    if (!fs->FileExists(from, pathID)) {
        return false;
    }
    fs->RemoveFile(to, pathID);
    return fs->RenameFile(from, to, pathID);
}

enum class Replaced { kYes, kNotOpened, kNotWritten };

// Puts the text in place of a file of the module folder (its search path
// added) without ever leaving that file short: the text goes to a file
// beside it, which takes its name only once every byte is out. Writes are
// buffered, so a full disk shows only at the flush. On failure the file is
// as it was and the one beside it is gone.
Replaced ReplaceFileText(IFileSystem* fs, const char* fileName, const std::string& text) {
    const std::string temporary = std::string(fileName) + ".tmp";
    FileHandle_t out = fs->Open(temporary.c_str(), "w", kSearchPath);
    if (out == FILESYSTEM_INVALID_HANDLE) {
        return Replaced::kNotOpened;
    }
    const int size = static_cast<int>(text.size());
    bool written = size == 0 || fs->Write(text.data(), size, out) == size;
    fs->Flush(out);
    written = written && fs->IsOk(out);
    fs->Close(out);
    if (written && RenameOnto(fs, temporary.c_str(), fileName, kSearchPath)) {
        return Replaced::kYes;
    }
    fs->RemoveFile(temporary.c_str(), kSearchPath);
    return Replaced::kNotWritten;
}

HttpTransfer::Request MakeRequest(const std::string& url) {
    HttpTransfer::Request request;
    request.url = url;
    request.userAgent = kUserAgent;
    request.timeoutMs = kTimeoutMs;
    request.connectTimeoutMs = kTimeoutMs;
    return request;
}

}  // namespace

void TKUpdater::OnUpdateCommand(const CCommand& args) {
    if (!travik::IsActive()) {
        Msg("[Travik] This command is only available whilst the plugin is active!\n");
        return;
    }
    if (m_status == kQuerying) {
        Msg("[Travik] Currently checking for an update, try again later\n");
        return;
    }
    if (m_status == kDownloading) {
        Msg("[Travik] Already downloading an update\n");
        return;
    }
    const int index = travik::GetCommandIndex();
    edict_t* requester =
        index >= 0 && g_host.engine ? g_host.engine->PEntityOfEntIndex(index + 1) : nullptr;
    if (m_status == kUpdateFound) {
        DownloadUpdate(requester, true);
        return;
    }
    const bool beta = args.ArgC() == 2 && std::strcmp(args.Arg(1), "beta") == 0;
    CheckForUpdate(requester, beta, true);
}

std::string TKUpdater::ServerUrl(bool manual) {
    std::string url = tk_updateurl.GetString();
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    if (url.empty()) {
        if (manual) {
            Msg("[Travik] No update server is set (tk_updateurl), updates are not checked\n");
        } else if (!m_saidNoServer) {
            tkLog(true,
                  "[Travik] No update server is set (tk_updateurl), updates are not checked\n");
        }
        m_saidNoServer = true;
    }
    return url;
}

bool TKUpdater::HasUpdateTimeElapsed(bool manual) const {
    const std::time_t now = std::time(nullptr);
    if (now == 0 || now == static_cast<std::time_t>(-1)) {
        return false;
    }
    // Never asked, or the clock was set back past the last query: that time
    // says nothing any more, and waiting for it could stop checks for good.
    if (m_lastQueryTime == 0 || now < m_lastQueryTime) {
        return true;
    }
    return std::difftime(now, m_lastQueryTime) > (manual ? kManualSpacing : kAutomaticSpacing);
}

void TKUpdater::CheckForUpdate(edict_t* requester, bool beta, bool manual) {
    m_requester = requester;
    m_manual = manual;
    const std::string server = ServerUrl(manual);
    if (server.empty()) {
        return;
    }
    if (manual) {
        if (!HasUpdateTimeElapsed(true)) {
            Msg("[Travik] Insufficient time between update queries, please try again later\n");
            const std::time_t now = std::time(nullptr);
            if (now != static_cast<std::time_t>(-1) && now != 0 && m_lastQueryTime != 0) {
                const int remain =
                    static_cast<int>(kManualSpacing - std::difftime(now, m_lastQueryTime));
                Msg("[Travik] %i minutes %i seconds remain...\n", remain / 60, remain % 60);
            } else {
                Msg("[Travik] Note: Unable to retrieve the time, please try again later\n");
            }
            return;
        }
        Msg("[Travik] Checking for update\n");
    }
    m_lastQueryTime = std::time(nullptr);
    const std::string build = travik::GetModuleInformation().digest;
    if (build.empty()) {
        tkLog(true,
              "[Travik] Unable to retrieve module information in TKUpdater::CheckForUpdate()\n");
        travik::changeTkState(STATE_MODULE_UNREADABLE);
        return;
    }
    HttpTransfer::Request request =
        // ext names our system: the digest and signature a Linux and a
        // Windows module are checked against are never the same.
        MakeRequest(server + "/io/update.php?build=" + build + (beta ? "&beta=1" : "") +
                    "&ext=" + kModuleExtension);
    request.maxBody = kMaxAnswer;
    StartTransfer(request, "CheckForUpdate", kQuerying);
}

bool TKUpdater::StartTransfer(const HttpTransfer::Request& request, const char* where, int status) {
    if (m_transfer.Start(request)) {
        m_busy = true;
        m_status = status;
        return true;
    }
    switch (m_transfer.GetFailure()) {
        case HttpTransfer::Failure::Create:
            tkLog(true, "[Travik] DEBUG: Failed setting up connectivity in %s()\n", where);
            break;
        case HttpTransfer::Failure::Configure:
            tkLog(true, "[Travik] DEBUG: Failed to configure in %s()\n", where);
            break;
        case HttpTransfer::Failure::Perform:
            tkLog(true, "[Travik] DEBUG: Error occured in TKUpdater::%s()\n", where);
            break;
        default:
            tkLog(true, "[Travik] TKUpdater returned - %s\n", m_transfer.GetError());
            break;
    }
    CleanUpFailedQuery();
    return false;
}

void TKUpdater::DownloadUpdate(edict_t* requester, bool manual) {
    if (m_status != kUpdateFound) {
        return;
    }
    m_requester = requester;
    m_manual = manual;
    if (m_downloadUrl.empty() || m_version.empty() || m_digest.empty()) {
        tkLog(true, "[Travik] Unable to update, download details are invalid\n");
        CleanUpFailedQuery();
        return;
    }
    m_currentUrl = m_downloadUrl;
    const std::string folder = travik::GetModuleInformation().directory;
    if (folder.empty()) {
        tkLog(true,
              "[Travik] File download failed, unable to locate the current installation of "
              "Travik\n");
        CleanUpFailedQuery();
        return;
    }
    const std::string name = std::string("travik") + UpdateProtocol::ParseVersionNumber(m_version) +
                             "." + kModuleExtension;
    m_targetPath = folder + name;
    // Under a name the host never loads until it is verified and renamed.
    m_downloadPath = m_targetPath + ".download";
    HttpTransfer::Request request = MakeRequest(m_currentUrl);
    request.maxBody = kMaxDownload;
    request.filePath = m_downloadPath;
    if (StartTransfer(request, "DownloadUpdate", kDownloading)) {
        travik::changeTkState(STATE_DOWNLOADING);
    }
}

void TKUpdater::OnGameFrame(bool simulating) {
    if (simulating) {
        const float now = GameClock::Now();
        if (now < m_nextFrameTime) {
            return;
        }
        m_nextFrameTime = now + kFrameInterval;
    }
    if (m_busy) {
        if (m_status == kQuerying || m_status == kDownloading) {
            Poll();
        } else {
            m_busy = false;
        }
    }
    if (m_busy) {
        return;
    }
    if (m_status == kUpdateFound) {
        if ((tk_autoupdate.GetBool() || m_manual) &&
            (PlayerIdentity::GetNumRealPlayers() == 0 || m_manual)) {
            DownloadUpdate(nullptr, m_manual);
        }
    } else if (HasUpdateTimeElapsed(false)) {
        CheckForUpdate(nullptr, false, false);
    }
}

void TKUpdater::OnClientDisconnect(edict_t* leaving) {
    const bool counted =
        leaving && g_host.engine && GetRealPlayerInfo(g_host.engine->IndexOfEdict(leaving));
    const int others = PlayerIdentity::GetNumRealPlayers() - (counted ? 1 : 0);
    if (others < 1 && m_status == kUpdateFound && !m_busy) {
        DownloadUpdate(nullptr, false);
    }
}

void TKUpdater::Poll() {
    switch (m_transfer.Poll()) {
        case HttpTransfer::Outcome::Running:
            return;
        case HttpTransfer::Outcome::Succeeded:
            m_busy = false;
            if (m_status == kQuerying) {
                OnQueryResultFetched();
            } else {
                OnFileDownloadFinished();
            }
            return;
        case HttpTransfer::Outcome::Idle:
            tkLog(true,
                  "[Travik] DEBUG: Error occured in TKUpdater::Poll() after transfer "
                  "complete\n");
            break;
        case HttpTransfer::Outcome::Failed:
            if (m_transfer.GetFailure() == HttpTransfer::Failure::Perform) {
                tkLog(true, "[Travik] DEBUG: Error occured in TKUpdater::Poll()\n");
            } else {
                tkLog(true, "[Travik] TKUpdater returned - %s\n", m_transfer.GetError());
                if (m_status == kQuerying) {
                    travik::changeTkState(STATE_NO_CONTACT);
                }
            }
            break;
    }
    EndTransfer();
}

void TKUpdater::EndTransfer() {
    const bool downloading = m_status == kDownloading;
    CleanUpFailedQuery();
    if (downloading) {
        AbandonDownload();
    }
}

void TKUpdater::TellRequester(const char* text) {
    if (m_requester && PlayerIdentity::IsPlayerAndConnected(m_requester)) {
        Messaging::SendSingleMessage(m_requester, text);
    }
}

void TKUpdater::OnQueryResultFetched() {
    const UpdateProtocol::Answer answer = UpdateProtocol::ParseAnswer(m_transfer.GetBody());
    m_status = kIdle;
    switch (answer.kind) {
        case AnswerKind::PageGone:
            tkLog(true,
                  "Travik: Looks like the update page has disappeared, please search for a "
                  "Travik update :(\n");
            return;
        case AnswerKind::UpToDate:
            tkLog(true, "[Travik] Your plugin version is up-to-date\n");
            travik::changeTkState(STATE_OK);
            TellRequester("\x03[Travik]\x04 Your plugin version is up-to-date\n");
            return;
        case AnswerKind::Malformed:
            travik::changeTkState(STATE_NO_CONTACT);
            tkLog(true, "[Travik] Invalid response from update server\n[Travik] Update Failed\n");
            return;
        case AnswerKind::NoUpdate:
            travik::changeTkState(STATE_NO_CONTACT);
            tkLog(true,
                  "[Travik] ERROR: Odd update response, there appears to be no update "
                  "available (Update Failed)\n");
            return;
        case AnswerKind::Update:
            break;
    }
    if (!m_downloadedDigest.empty() && answer.digest == m_downloadedDigest) {
        m_status = kDownloaded;
        return;
    }
    // The version names a file and goes into the description files: nothing
    // but a plain name may come of it.
    if (!UpdateProtocol::IsValidVersionSuffix(UpdateProtocol::ParseVersionNumber(answer.version))) {
        travik::changeTkState(STATE_NO_CONTACT);
        tkLog(true,
              "[Travik] ERROR: The update's version cannot name a module file (Update "
              "Failed)\n");
        return;
    }
    if (answer.signature.empty()) {
        travik::changeTkState(STATE_NO_CONTACT);
        tkLog(true, "[Travik] ERROR: The update carries no release signature (Update Failed)\n");
        return;
    }
    m_downloadUrl = tk_updateurl.GetString();
    while (!m_downloadUrl.empty() && m_downloadUrl.back() == '/') {
        m_downloadUrl.pop_back();
    }
    m_downloadUrl +=
        "/io/download.php?id=" + UpdateProtocol::EscapeUrlComponent(answer.downloadId) +
        "&ext=" + kModuleExtension;
    m_version = answer.version;
    m_digest = answer.digest;
    m_signature = answer.signature;
    travik::changeTkState(STATE_UPDATE_FOUND);
    m_status = kUpdateFound;
    tkLog(true, "[Travik] An update was found! (Version: %s)\n", m_version.c_str());
    FixedBuffer<256> line;
    line.Format(
        "\x03[Travik]\x04 An update is available for the plugin (Version: \x03%s\x04) "
        "[\x01tk_update\x04]\n",
        m_version.c_str());
    TellRequester(line.c_str());
}

void TKUpdater::DeleteModuleFolderFile(const std::string& fileName) {
    const std::string folder = travik::GetModuleInformation().directory;
    if (folder.empty() || fileName.empty() || !g_host.fileSystem) {
        return;
    }
    ModuleFolderPath path(folder);
    g_host.fileSystem->RemoveFile(fileName.c_str(), kSearchPath);
}

bool TKUpdater::VerifyDownloadedFile() {
    MD5Text digest(MD5File(m_downloadPath.c_str()));
    if (!digest || m_digest != digest.get()) {
        DeleteModuleFolderFile(FileNameOf(m_downloadPath));
        tkLog(true, "[Travik] Removed a corrupted download\n");
        tkLog(true, "[Travik] Error downloading update, file appears corrupted\n");
        return false;
    }
    if (!TrustedKeys::Verify(m_signature, m_downloadPath)) {
        DeleteModuleFolderFile(FileNameOf(m_downloadPath));
        tkLog(true,
              "[Travik] Error downloading update, its release signature does not verify "
              "(Update Failed)\n");
        return false;
    }
    return true;
}

void TKUpdater::OnFileDownloadFinished() {
    if (!VerifyDownloadedFile()) {
        m_status = kIdle;
        AbandonDownload();
        return;
    }
    if (!MoveDownloadIntoPlace()) {
        DeleteModuleFolderFile(FileNameOf(m_downloadPath));
        tkLog(true, "[Travik] Error: Unable to move the download to \"%s\"\n",
              FileNameOf(m_targetPath).c_str());
        m_status = kIdle;
        AbandonDownload();
        return;
    }
    tkLog(true, "[Travik] Update Successfully Downloaded\n");
    travik::changeTkState(STATE_UPDATE_READY);
    m_downloadedDigest = m_digest;
    InstallNewVersion(UpdateProtocol::ParseVersionNumber(m_version));
    m_status = kDownloaded;
}

bool TKUpdater::MoveDownloadIntoPlace() {
    IFileSystem* fs = g_host.fileSystem;
    if (!fs) {
        return false;
    }
    // A module of this name may be there already (an earlier download of
    // this version whose install did not take). One the server has loaded
    // cannot be removed on Windows, and the move then fails.
    return RenameOnto(fs, m_downloadPath.c_str(), m_targetPath.c_str(), nullptr);
}

void TKUpdater::AbandonDownload() {
    // The update is still on offer; nothing is downloading any more.
    travik::changeTkState(STATE_UPDATE_FOUND);
}

void TKUpdater::InstallNewVersion(const std::string& versionSuffix) {
    const moduleInfo_t module = travik::GetModuleInformation();
    if (module.directory.empty()) {
        return;
    }
    tkLog(true, "[Travik] Updating VDF files...\n");
    bool changed = false;
    for (const char* file : kVdfFiles) {
        changed = UpdateVdfFile(file, module.directory, versionSuffix) || changed;
    }
    if (!changed) {
        tkLog(true,
              "[Travik] There was an error updating the plugin vdf file\n[Travik] Please "
              "re-download the Travik vdf file and place in the same directory as the plugin "
              "module\n");
        return;
    }
    tkLog(true, "[Travik] VDF files updated following update downloaded!\n");
    // An update of the same version replaced the running file itself: there
    // is no old file, and naming it would delete the new one at the next start.
    if (!module.fileName.empty() && module.fileName != FileNameOf(m_targetPath) &&
        !SaveOldFileName(module.fileName)) {
        tkLog(true, "[Travik] Error: Unable to save old filename...\n");
    }
}

bool TKUpdater::UpdateVdfFile(const char* fileName, const std::string& folder,
                              const std::string& versionSuffix) {
    IFileSystem* fs = g_host.fileSystem;
    if (!fs) {
        tkLog(true, "[Travik] Unable to update vdf file \"%s\" no IFileSystem interface\n",
              fileName);
        return false;
    }
    ModuleFolderPath path(folder);
    std::vector<std::string> lines;
    FileHandle_t in = fs->Open(fileName, "r", kSearchPath);
    if (in == FILESYSTEM_INVALID_HANDLE) {
        tkLog(true, "[Travik] Unable to open \"%s\" for reading\n", fileName);
        return false;
    }
    char buffer[kLineSize];
    while (!fs->EndOfFile(in) && fs->ReadLine(buffer, sizeof buffer, in)) {
        lines.emplace_back(buffer);
    }
    fs->Close(in);
    if (lines.empty()) {
        return false;
    }
    bool changed = false;
    std::string text;
    for (std::string& line : lines) {
        changed = UpdateProtocol::RewriteVdfLine(line, versionSuffix) || changed;
        text += line;
    }
    // A file that names no module of ours is left as it is.
    if (!changed) {
        return false;
    }
    // The host loads its plug-ins through this file at the next start: it is
    // replaced whole or not at all.
    switch (ReplaceFileText(fs, fileName, text)) {
        case Replaced::kNotOpened:
            tkLog(true, "[Travik] Unable to open \"%s\" for writing\n", fileName);
            return false;
        case Replaced::kNotWritten:
            tkLog(true, "[Travik] Unable to write \"%s\", it is left unchanged\n", fileName);
            return false;
        case Replaced::kYes:
            break;
    }
    tkLog(true, "[Travik] \"%s\" successfully updated\n", fileName);
    return true;
}

bool TKUpdater::SaveOldFileName(const std::string& fileName) {
    const std::string folder = travik::GetModuleInformation().directory;
    IFileSystem* fs = g_host.fileSystem;
    if (folder.empty() || !fs) {
        return false;
    }
    ModuleFolderPath path(folder);
    return ReplaceFileText(fs, kOldFileNote, fileName) == Replaced::kYes;
}

bool TKUpdater::RemoveOldTravik() {
    const moduleInfo_t module = travik::GetModuleInformation();
    IFileSystem* fs = g_host.fileSystem;
    if (module.directory.empty() || !fs) {
        return false;
    }
    ModuleFolderPath path(module.directory);
    FileHandle_t file = fs->Open(kOldFileNote, "r", kSearchPath);
    if (file == FILESYSTEM_INVALID_HANDLE) {
        return false;
    }
    std::string name;
    char buffer[kLineSize] = {};
    if (!fs->EndOfFile(file) && fs->ReadLine(buffer, sizeof buffer, file)) {
        name = buffer;
    }
    fs->Close(file);
    bool removed = false;
    // Never the module that is running: a note naming it would leave the
    // server without a plug-in at its next start.
    if (!name.empty() && UpdateProtocol::IsValidTravikFile(name) && name != module.fileName) {
        fs->RemoveFile(name.c_str(), kSearchPath);
        removed = true;
    }
    fs->RemoveFile(kOldFileNote, kSearchPath);
    return removed;
}

void TKUpdater::CleanUpFailedQuery() {
    m_transfer.Cancel();
    m_busy = false;
    m_status = kIdle;
    m_requester = nullptr;
    m_manual = false;
    m_currentUrl.clear();
    m_targetPath.clear();
    m_downloadPath.clear();
}

void TKUpdater::Reset() {
    m_nextFrameTime = 0.0f;
    if (m_busy) {
        EndTransfer();
    }
}

void TKUpdater::Unload() {
    CleanUpFailedQuery();
    m_saidNoServer = false;
}

void TKUpdater::OnTKAutoUpdateChange(IConVar* var, const char*, float) {
    ConVar* autoUpdate = static_cast<ConVar*>(var);
    TKUpdater* updater = travik::getUpdater();
    if (GameClock::BeforeFirstFrame()) {
        updater->SetAutoUpdateValue(autoUpdate->GetInt());
        return;
    }
    if (autoUpdate->GetInt() != updater->GetAutoUpdateValue()) {
        autoUpdate->SetValue(updater->GetAutoUpdateValue());
        Msg("[Travik] This cvar may not be changed whilst the server is active (in game)\n");
    }
}
