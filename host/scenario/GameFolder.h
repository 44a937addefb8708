// A server's game folder for one run: a fresh temporary copy of the
// template (cstrike/ with cfg/, addons/, maps/, logs/ and bin/server.so),
// into which modules are installed as addons. Removed again on destruction.
#pragma once

#include <string>

namespace sim {

class GameFolder {
public:
    // Where the build put the template and the installable modules; beside
    // the running executable when it has them there.
    static std::string DefaultTemplateDir();
    static std::string DefaultModulesDir();
    // The product's built game folder (addons/travik.so, its .vdf, cfg/),
    // where an addon is looked for when the modules folder lacks it.
    static std::string DefaultProductDir();
    // The build's tools (build/<preset>/tools), where "process start" finds
    // a program by its bare name.
    static std::string DefaultToolsDir();

    // Copies templateDir/cstrike into a new temporary folder; Ok() tells
    // whether it worked (Error() says why not).
    explicit GameFolder(const std::string& templateDir);
    // An existing game folder, used as it is and never removed.
    struct Existing {
        std::string gameDir;
    };
    explicit GameFolder(const Existing& existing);
    ~GameFolder();

    GameFolder(const GameFolder&) = delete;
    GameFolder& operator=(const GameFolder&) = delete;

    bool Ok() const { return !m_gameDir.empty(); }
    const std::string& Error() const { return m_error; }
    // The mod folder, ".../cstrike".
    const std::string& GameDir() const { return m_gameDir; }
    void Keep() { m_keep = true; }

    // Copies a module to addons/<name>.so and names it in addons/<name>.vdf.
    bool InstallAddon(const std::string& modulePath, const std::string& name);
    // Copies a file from outside into the game folder.
    bool CopyIn(const std::string& source, const std::string& relativePath);
    // Writes a file under the game folder (folders made as needed).
    bool WriteFile(const std::string& relativePath, const std::string& contents);
    bool ReadFile(const std::string& relativePath, std::string& contents) const;
    std::string PathOf(const std::string& relativePath) const {
        return m_gameDir + "/" + relativePath;
    }

private:
    std::string m_root;
    std::string m_gameDir;
    std::string m_error;
    bool m_keep = false;
};

}  // namespace sim
