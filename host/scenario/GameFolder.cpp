#include "scenario/GameFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "engine/WholeFile.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

std::string ExecutableDir() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? "" : self.parent_path().string();
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
    return BesideExecutableOr("../tools", SRCDS_SIM_BUILD_TOOLS);
}

GameFolder::GameFolder(const std::string& templateDir) {
    const fs::path source = fs::path(templateDir) / "cstrike";
    std::error_code error;
    if (!fs::is_directory(source, error)) {
        m_error = "no game-folder template at " + source.string();
        return;
    }
    std::string pattern = (fs::temp_directory_path(error) / "srcds-sim-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) {
        m_error = "cannot create a temporary folder";
        return;
    }
    m_root = buffer.data();
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
    while (m_gameDir.size() > 1 && m_gameDir.back() == '/')
        m_gameDir.pop_back();
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
    fs::copy_file(modulePath, PathOf("addons/" + name + ".so"),
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
