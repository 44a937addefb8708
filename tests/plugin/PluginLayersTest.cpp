// The plug-in's layering, read from its source tree: the plug-in object's
// header stays with the plug-in object's own files, and the shared services
// reach no further up than the host.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kPluginDir = TRAVIK_PLUGIN_SOURCE_DIR;

struct Source {
    std::string path;  // relative to plugin/, with '/'
    std::vector<std::string> includes;
};

std::vector<Source> PluginSources() {
    static const std::regex include(R"(^\s*#\s*include\s*["<]([^">]+)[">])");
    std::vector<Source> sources;
    for (const auto& entry : fs::recursive_directory_iterator(kPluginDir)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) {
            continue;
        }
        Source source{fs::relative(entry.path(), kPluginDir).generic_string(), {}};
        std::ifstream in(entry.path());
        std::smatch match;
        for (std::string line; std::getline(in, line);) {
            if (std::regex_search(line, match, include)) {
                source.includes.push_back(match[1]);
            }
        }
        sources.push_back(std::move(source));
    }
    return sources;
}

bool Includes(const Source& source, const std::string& header) {
    for (const std::string& included : source.includes) {
        if (fs::path(included).filename() == header) {
            return true;
        }
    }
    return false;
}

bool IsPluginObjectFile(const std::string& path) {
    static const std::regex own(R"(core/travik_[a-z_]+\.cpp)");
    return std::regex_match(path, own);
}

// Files that every feature may use and that therefore use no feature: the
// support library, the host access layer, messaging, HTTP and the kick
// queue.
bool IsSharedService(const std::string& path) {
    static const std::regex shared(
        R"((messaging|net|support)/.*|core/(BuildPlatform|HostInterfaces|GameKind|GameClock|PlayerSlots|PlayerIdentity|HostCommands|ConfigFile|FixedBuffer|MRecipientFilter|InternalVarAccessor|VFuncs|ModuleInformation|svtagsaccessor|EffectiveRates|CallbackText)\.(h|cpp)|enforcement/KickBanQueue\.(h|cpp))");
    return std::regex_match(path, shared);
}

// An include of one of the plug-in's own files (the host SDK's and the hook
// layer's are below every layer).
bool IsPluginFile(const std::string& included) {
    static const std::regex own(
        R"((core|messaging|net|support|enforcement|protection|fixes|match|auth|updater)/.*)");
    return std::regex_match(included, own);
}

TEST(PluginLayersUnit, OnlyThePluginObjectsOwnFilesIncludeItsHeader) {
    const std::vector<Source> sources = PluginSources();
    int own = 0;
    for (const Source& source : sources) {
        if (!Includes(source, "travik_plugin.h")) {
            continue;
        }
        EXPECT_TRUE(IsPluginObjectFile(source.path) || source.path == "core/travik_plugin.h")
            << source.path << " includes core/travik_plugin.h; include core/travik_services.h";
        own += IsPluginObjectFile(source.path) ? 1 : 0;
    }
    // The walk found the tree: the plug-in object's files do include it.
    EXPECT_GE(own, 5);
    EXPECT_GE(sources.size(), 40u);
}

TEST(PluginLayersUnit, SharedServicesIncludeOnlySharedServices) {
    int shared = 0;
    for (const Source& source : PluginSources()) {
        if (!IsSharedService(source.path)) {
            continue;
        }
        ++shared;
        for (const std::string& included : source.includes) {
            EXPECT_TRUE(!IsPluginFile(included) || IsSharedService(included))
                << source.path << " includes " << included;
        }
    }
    EXPECT_GE(shared, 30);
}

}  // namespace
