#pragma once

#include <optional>
#include <string>
#include <vector>

// A releases folder as the update server serves it:
//
//   releases.txt          one line per release, oldest first: CHANNEL ID VERSION
//                         (CHANNEL "stable" or "beta"; "#" lines and blank lines skipped)
//   ID/travik.so          the module file of that release
//   ID/travik.so.md5      its MD5, 32 lower-case hex digits
//   ID/travik.so.sig      its Ed25519 signature, Base64
//
// The ID is the version without its dots, in lower case (4.7Beta: 47beta),
// the same text the plug-in makes of the version for the new file's name.
namespace release {

struct Release {
    std::string channel;
    std::string id;
    std::string version;
    std::string digest;     // of ID/travik.so
    std::string signature;  // of ID/travik.so
};

// The release id of a version text, or "" when the version would give a
// file name outside [a-z0-9_-] (or none at all).
std::string ReleaseId(const std::string& version);

class ReleaseFolder {
public:
    explicit ReleaseFolder(std::string folder) : m_folder(std::move(folder)) {}

    // The newest release a server should be offered: the last stable line,
    // or with beta the last line of either channel. Lines whose files are
    // incomplete are skipped, with their reason in `problems`.
    std::optional<Release> Current(bool beta, std::vector<std::string>* problems = nullptr) const;

    // Path of a release's module file with extension ext ("so" or "dll");
    // "" for an id or extension that is not one of ours.
    std::string ModulePath(const std::string& id, const std::string& ext) const;

    // The release step: copies module into ID/travik.so with the version
    // text appended after its end (a "\0travik release VERSION\n" stamp, so
    // every release has its own digest), writes its digest
    // and its signature with the private key in keyPem, and appends the
    // manifest line (a release of the same id is replaced). False with a
    // reason in error.
    bool Add(const std::string& version, const std::string& module, const std::string& keyPem,
             bool beta, std::string& error) const;

    const std::string& Folder() const { return m_folder; }

private:
    std::optional<Release> Load(const std::string& channel, const std::string& id,
                                const std::string& version, std::string& problem) const;

    std::string m_folder;
};

// Writes path.md5 and path.sig beside a file (a package, ...): its MD5 and its
// signature with the private key in keyPem, in the forms releases carry them.
// False with a reason in error.
bool SignBeside(const std::string& path, const std::string& keyPem, std::string& error);

// The body of /io/update.php for a server whose module has digest `build`:
// "N" when it runs the current release (or there is none), otherwise
// "1,ID,VERSION,MD5,SIGNATURE".
std::string UpdateAnswer(const ReleaseFolder& releases, const std::string& build, bool beta);

}  // namespace release
