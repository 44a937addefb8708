#pragma once

#include <optional>
#include <string>
#include <vector>

// A releases folder as the update server serves it:
//
//   releases.txt          one line per release, oldest first: CHANNEL ID VERSION
//                         (CHANNEL "stable" or "beta"; "#" lines and blank lines skipped)
//   ID/travik.so          the Linux module file of that release
//   ID/travik.so.md5      its MD5, 32 lower-case hex digits
//   ID/travik.so.sig      its Ed25519 signature, Base64
//   ID/travik.dll, ID/travik.dll.md5, ID/travik.dll.sig
//                         the same for the Windows module
//
// A release may carry either module or both; a server is offered the
// newest release that has a module for its system (the query's ext, "so"
// when it names none).
// The ID is the version without its dots, in lower case (4.7Beta: 47beta),
// the same text the plug-in makes of the version for the new file's name.
namespace release {

struct Release {
    std::string channel;
    std::string id;
    std::string version;
    std::string digest;     // of ID/travik.EXT
    std::string signature;  // of ID/travik.EXT
};

// "dll" for a module file named *.dll (any case), otherwise "so".
std::string ModuleExt(const std::string& module);

// The release id of a version text, or "" when the version would give a
// file name outside [a-z0-9_-] (or none at all).
std::string ReleaseId(const std::string& version);

class ReleaseFolder {
public:
    explicit ReleaseFolder(std::string folder) : m_folder(std::move(folder)) {}

    // The newest release a server of the system ext ("so" or "dll") should
    // be offered: the last stable line, or with beta the last line of either
    // channel, that has a module for it. Lines whose files are incomplete
    // are skipped, with their reason in `problems`; a line with only the
    // other system's module is skipped quietly.
    std::optional<Release> Current(bool beta, std::vector<std::string>* problems = nullptr,
                                   const std::string& ext = "so") const;

    // Path of a release's module file with extension ext ("so" or "dll");
    // "" for an id or extension that is not one of ours.
    std::string ModulePath(const std::string& id, const std::string& ext) const;

    // The release step: copies module into ID/travik.so (ID/travik.dll for
    // a module named *.dll) with the version text appended after its end (a
    // "\0travik release VERSION\n" stamp, so every release has its own
    // digest), writes its digest and its signature with the private key in
    // keyPem, and appends the manifest line (a release of the same id is
    // replaced; its module for the other system stays). False with a reason
    // in error.
    bool Add(const std::string& version, const std::string& module, const std::string& keyPem,
             bool beta, std::string& error) const;

    const std::string& Folder() const { return m_folder; }

private:
    // The release's files for ext; nullopt with problem "" when it has no
    // module for that system at all.
    std::optional<Release> Load(const std::string& channel, const std::string& id,
                                const std::string& version, const std::string& ext,
                                std::string& problem) const;

    std::string m_folder;
};

// Writes path.md5 and path.sig beside a file (a package, ...): its MD5 and its
// signature with the private key in keyPem, in the forms releases carry them.
// False with a reason in error.
bool SignBeside(const std::string& path, const std::string& keyPem, std::string& error);

// The body of /io/update.php for a server of the system ext ("so" or "dll")
// whose module has digest `build`: "N" when it runs the current release for
// its system (or there is none, or ext is neither), otherwise
// "1,ID,VERSION,MD5,SIGNATURE" of that system's module.
std::string UpdateAnswer(const ReleaseFolder& releases, const std::string& build, bool beta,
                         const std::string& ext = "so");

}  // namespace release
