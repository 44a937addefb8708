#include "scenario/GameFolder.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include "engine/Platform.h"
#include "engine/WholeFile.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

// A new folder of the system's temporary folder, named prefix and six
// random characters, made by us alone; "" when none could be made.
std::string MakeTemporaryFolder(const std::string& prefix) {
    std::error_code error;
    const fs::path temporary = fs::temp_directory_path(error);
    if (error)
        return "";
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 6; ++i)
            name.push_back(kLetters[pick(random)]);
        // create_directory answers false for a folder that already exists,
        // so a folder is never shared with another process.
        const fs::path candidate = temporary / name;
        if (fs::create_directory(candidate, error))
            return candidate.string();
    }
    return "";
}

std::string BesideExecutableOr(const char* name, const char* buildPath) {
    const std::string beside = ExecutableDir() + "/" + name;
    std::error_code error;
    return fs::is_directory(beside, error) ? beside : buildPath;
}

}  // namespace

std::string GameFolder::DefaultTemplateDir() {
    return BesideExecutableOr("template", SRCDS_SIM_BUILD_TEMPLATE);
}

std::string GameFolder::DefaultModulesDir() {
    return BesideExecutableOr("modules", SRCDS_SIM_BUILD_MODULES);
}

std::string GameFolder::DefaultProductDir() {
    return BesideExecutableOr("../cstrike", SRCDS_SIM_BUILD_PRODUCT);
}

std::string GameFolder::DefaultToolsDir() {
#ifdef _WIN32
    // The helpers are Linux programs: the process host's own tools folder.
    return "";
#else
    return BesideExecutableOr("../tools", SRCDS_SIM_BUILD_TOOLS);
#endif
}

GameFolder::GameFolder(const std::string& templateDir) {
    const fs::path source = fs::path(templateDir) / "cstrike";
    std::error_code error;
    if (!fs::is_directory(source, error)) {
        m_error = "no game-folder template at " + source.string();
        return;
    }
    m_root = MakeTemporaryFolder("srcds-sim-");
    if (m_root.empty()) {
        m_error = "cannot create a temporary folder";
        return;
    }
    const fs::path target = fs::path(m_root) / "cstrike";
    fs::copy(source, target, fs::copy_options::recursive, error);
    if (error) {
        m_error = "cannot copy the template: " + error.message();
        return;
    }
    for (const char* folder : {"cfg", "addons", "maps", "logs", "bin"})
        fs::create_directories(target / folder, error);
    m_gameDir = target.string();
}

GameFolder::GameFolder(const Existing& existing) : m_keep(true) {
    std::error_code error;
    if (fs::is_directory(existing.gameDir, error))
        m_gameDir = fs::absolute(existing.gameDir, error).lexically_normal().string();
    else
        m_error = "no game folder at " + existing.gameDir;
    m_gameDir = WithoutTrailingSeparators(m_gameDir);
}

GameFolder::~GameFolder() {
    if (!m_root.empty() && !m_keep) {
        std::error_code error;
        fs::remove_all(m_root, error);
    }
}

bool GameFolder::InstallAddon(const std::string& modulePath, const std::string& name) {
    if (!Ok() || name.empty() || name.find('/') != std::string::npos)
        return false;
    std::error_code error;
    fs::copy_file(modulePath, PathOf("addons/" + name + kModuleExtension),
                  fs::copy_options::overwrite_existing, error);
    if (error)
        return false;
    return WriteFile("addons/" + name + ".vdf",
                     "\"Plugin\"\n{\n\t\"file\"\t\"addons/" + name + "\"\n}\n");
}

bool GameFolder::CopyIn(const std::string& source, const std::string& relativePath) {
    if (!Ok())
        return false;
    const fs::path target = PathOf(relativePath);
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
    return !error;
}

bool GameFolder::WriteFile(const std::string& relativePath, const std::string& contents) {
    return Ok() && WholeFile::Write(PathOf(relativePath), contents);
}

bool GameFolder::ReadFile(const std::string& relativePath, std::string& contents) const {
    return Ok() && WholeFile::Read(PathOf(relativePath), contents);
}

}  // namespace sim
