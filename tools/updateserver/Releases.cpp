#include "Releases.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Ed25519.h"
#include "support/md5.h"

namespace fs = std::filesystem;

namespace release {
namespace {

constexpr const char* kManifest = "releases.txt";

bool IsIdCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

// The first line of a small file, without its line end; "" when unreadable.
std::string FirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

bool WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

struct ManifestLine {
    std::string channel, id, version;
};

std::vector<ManifestLine> ReadManifest(const fs::path& path) {
    std::vector<ManifestLine> lines;
    std::ifstream in(path);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream words(text);
        ManifestLine line;
        if (!(words >> line.channel) || line.channel[0] == '#') {
            continue;
        }
        words >> line.id >> line.version;
        lines.push_back(line);
    }
    return lines;
}

// The version text after the module's last byte, where the loader never
// looks: each release has its own digest even when the code did not change.
bool AppendStamp(const fs::path& path, const std::string& version) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << '\0' << "travik release " << version << '\n';
    return static_cast<bool>(out.flush());
}

}  // namespace

std::string ModuleExt(const std::string& module) {
    std::string tail = module.size() >= 4 ? module.substr(module.size() - 4) : "";
    for (char& c : tail)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return tail == ".dll" ? "dll" : "so";
}

std::string ReleaseId(const std::string& version) {
    std::string id;
    for (char c : version) {
        if (c == '.') {
            continue;
        }
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (!IsIdCharacter(c)) {
            return {};
        }
        id += c;
    }
    return id;
}

std::optional<Release> ReleaseFolder::Load(const std::string& channel, const std::string& id,
                                           const std::string& version, const std::string& ext,
                                           std::string& problem) const {
    problem.clear();
    if ((channel != "stable" && channel != "beta") || id.empty() || ReleaseId(version) != id) {
        problem = "releases.txt: bad line \"" + channel + " " + id + " " + version + "\"";
        return std::nullopt;
    }
    const fs::path dir = fs::path(m_folder) / id;
    const std::string module = "travik." + ext;
    std::error_code ec;
    const auto has = [&](const std::string& name) { return fs::exists(dir / name, ec); };
    if (!has(module) && !has(module + ".md5") && !has(module + ".sig")) {
        // Released for the other system only; a release with no module at
        // all is a problem.
        const std::string other = ext == "so" ? "travik.dll" : "travik.so";
        if (!has(other))
            problem = "release " + id + ": no module (travik.so or travik.dll)";
        return std::nullopt;
    }
    Release release{channel, id, version, FirstLine(dir / (module + ".md5")),
                    FirstLine(dir / (module + ".sig"))};
    if (!fs::is_regular_file(dir / module, ec) || release.digest.size() != 32 ||
        release.signature.empty()) {
        problem =
            "release " + id + ": " + module + ", " + module + ".md5 or " + module + ".sig missing";
        return std::nullopt;
    }
    return release;
}

std::optional<Release> ReleaseFolder::Current(bool beta, std::vector<std::string>* problems,
                                              const std::string& ext) const {
    std::optional<Release> current;
    for (const ManifestLine& line : ReadManifest(fs::path(m_folder) / kManifest)) {
        if (!beta && line.channel == "beta") {
            continue;
        }
        std::string problem;
        std::optional<Release> release = Load(line.channel, line.id, line.version, ext, problem);
        if (release) {
            current = release;
        } else if (problems && !problem.empty()) {
            problems->push_back(problem);
        }
    }
    return current;
}

std::string ReleaseFolder::ModulePath(const std::string& id, const std::string& ext) const {
    if (id.empty() || ReleaseId(id) != id || (ext != "so" && ext != "dll")) {
        return {};
    }
    return (fs::path(m_folder) / id / ("travik." + ext)).string();
}

bool ReleaseFolder::Add(const std::string& version, const std::string& module,
                        const std::string& keyPem, bool beta, std::string& error) const {
    std::string id = ReleaseId(version);
    if (id.empty()) {
        error = "version \"" + version + "\" must give a name of a-z, 0-9, '_' and '-'";
        return false;
    }
    std::error_code ec;
    fs::path dir = fs::path(m_folder) / id;
    fs::create_directories(dir, ec);
    fs::path target = dir / ("travik." + ModuleExt(module));
    if (ec || !fs::copy_file(module, target, fs::copy_options::overwrite_existing, ec) ||
        !AppendStamp(target, version)) {
        error = "cannot copy " + module + " to " + target.string();
        return false;
    }
    if (!SignBeside(target.string(), keyPem, error))
        return false;
    std::ostringstream manifest;
    for (const ManifestLine& line : ReadManifest(fs::path(m_folder) / kManifest)) {
        if (line.id != id) {
            manifest << line.channel << ' ' << line.id << ' ' << line.version << '\n';
        }
    }
    manifest << (beta ? "beta" : "stable") << ' ' << id << ' ' << version << '\n';
    if (!WriteText(fs::path(m_folder) / kManifest, manifest.str())) {
        error = "cannot write " + (fs::path(m_folder) / kManifest).string();
        return false;
    }
    return true;
}

bool SignBeside(const std::string& path, const std::string& keyPem, std::string& error) {
    MD5Text digest(MD5File(path.c_str()));
    if (!digest) {
        error = "cannot read " + path;
        return false;
    }
    const std::string signature = SignFile(keyPem, path, error);
    if (signature.empty())
        return false;
    if (!WriteText(path + ".md5", std::string(digest.get()) + "\n") ||
        !WriteText(path + ".sig", signature + "\n")) {
        error = "cannot write " + path + ".md5 and " + path + ".sig";
        return false;
    }
    return true;
}

std::string UpdateAnswer(const ReleaseFolder& releases, const std::string& build, bool beta,
                         const std::string& ext) {
    if (ext != "so" && ext != "dll")
        return "N";
    std::optional<Release> current = releases.Current(beta, nullptr, ext);
    if (!current || current->digest == build) {
        return "N";
    }
    return "1," + current->id + "," + current->version + "," + current->digest + "," +
           current->signature;
}

}  // namespace release
