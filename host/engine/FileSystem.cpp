#include "engine/FileSystem.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>

#include "engine/Platform.h"
#include "engine/WholeFile.h"

namespace sim {

namespace {

std::string Normalized(const char* name) {
    std::string text = name ? name : "";
    for (char& c : text)
        if (c == '\\')
            c = '/';
    return text;
}

bool IsAbsolute(const std::string& name) {
    return IsAbsolutePath(name);
}

bool SameId(const std::string& a, const char* b) {
    return b && strcasecmp(a.c_str(), b) == 0;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsDir(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReadsOnly(const char* options) {
    return options && options[0] == 'r';
}

bool Appends(const char* options) {
    return options && options[0] == 'a';
}

}  // namespace

FileSystem::FileSystem(std::string gameDir)
    : m_gameDir(WithoutTrailingSeparators(std::move(gameDir))) {
    // Kept with forward slashes as every path here, so that a folder named
    // relatively and absolutely is the same path.
    m_baseDir = Normalized(std::filesystem::path(m_gameDir).parent_path().string().c_str());
    for (const char* id : {"GAME", "MOD", "DEFAULT_WRITE_PATH"})
        AddSearchPath(m_gameDir.c_str(), id, PATH_ADD_TO_TAIL);
}

FileSystem::~FileSystem() {
    for (FileHandle_t handle : m_open)
        std::fclose(static_cast<std::FILE*>(handle));
}

std::string FileSystem::Absolute(const char* path) const {
    std::string text = Normalized(path);
    if (!IsAbsolute(text))
        text = m_baseDir + "/" + text;
    if (text.empty() || text.back() != '/')
        text += '/';
    return text;
}

void FileSystem::AddSearchPath(const char* path, const char* pathID, SearchPathAdd_t addType) {
    if (!path || !*path)
        return;
    SearchPath entry{Absolute(path), pathID ? pathID : ""};
    for (const SearchPath& existing : m_paths)
        if (existing.path == entry.path && SameId(existing.id, entry.id.c_str()))
            return;
    if (addType == PATH_ADD_TO_HEAD)
        m_paths.insert(m_paths.begin(), std::move(entry));
    else
        m_paths.push_back(std::move(entry));
}

bool FileSystem::RemoveSearchPath(const char* path, const char* pathID) {
    if (!path)
        return false;
    const std::string full = Absolute(path);
    const size_t before = m_paths.size();
    std::erase_if(m_paths, [&](const SearchPath& entry) {
        return entry.path == full && (!pathID || SameId(entry.id, pathID));
    });
    return m_paths.size() != before;
}

std::vector<const FileSystem::SearchPath*> FileSystem::PathsOf(const char* pathID) const {
    std::vector<const SearchPath*> paths;
    for (const SearchPath& entry : m_paths)
        if (!pathID || SameId(entry.id, pathID))
            paths.push_back(&entry);
    return paths;
}

const FileSystem::SearchPath* FileSystem::FindIn(const char* fileName, const char* pathID) const {
    const std::string name = Normalized(fileName);
    for (const SearchPath* entry : PathsOf(pathID))
        if (Exists(entry->path + name))
            return entry;
    return nullptr;
}

std::string FileSystem::FindExisting(const char* fileName, const char* pathID) const {
    const std::string name = Normalized(fileName);
    if (name.empty())
        return "";
    if (IsAbsolute(name))
        return Exists(name) ? name : "";
    const SearchPath* entry = FindIn(fileName, pathID);
    return entry ? entry->path + name : "";
}

std::string FileSystem::WritePath(const char* fileName, const char* pathID) const {
    const std::string name = Normalized(fileName);
    if (name.empty())
        return "";
    if (IsAbsolute(name))
        return name;
    const std::vector<const SearchPath*> paths = PathsOf(pathID);
    return paths.empty() ? "" : paths.front()->path + name;
}

FileHandle_t FileSystem::Open(const char* fileName, const char* options, const char* pathID) {
    if (!options || !*options)
        return FILESYSTEM_INVALID_HANDLE;
    std::string path;
    if (ReadsOnly(options) || Appends(options))
        path = FindExisting(fileName, pathID);
    if (path.empty() && !ReadsOnly(options))
        path = WritePath(fileName, pathID);
    if (path.empty() || IsDir(path))
        return FILESYSTEM_INVALID_HANDLE;
    std::FILE* file = std::fopen(path.c_str(), options);
    if (!file)
        return FILESYSTEM_INVALID_HANDLE;
    m_open.insert(file);
    return file;
}

std::FILE* FileSystem::FileOf(FileHandle_t handle) const {
    return m_open.count(handle) ? static_cast<std::FILE*>(handle) : nullptr;
}

void FileSystem::Close(FileHandle_t file) {
    if (std::FILE* fp = FileOf(file)) {
        m_open.erase(file);
        std::fclose(fp);
    }
}

unsigned int FileSystem::Size(FileHandle_t file) {
    std::FILE* fp = FileOf(file);
    if (!fp)
        return 0;
    std::fflush(fp);
    struct stat st {};
    return ::fstat(fileno(fp), &st) == 0 ? static_cast<unsigned int>(st.st_size) : 0;
}

unsigned int FileSystem::Size(const char* fileName, const char* pathID) {
    const std::string path = FindExisting(fileName, pathID);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<unsigned int>(st.st_size);
}

bool FileSystem::EndOfFile(FileHandle_t file) {
    std::FILE* fp = FileOf(file);
    return !fp || std::feof(fp) != 0;
}

char* FileSystem::ReadLine(char* output, int maxChars, FileHandle_t file) {
    std::FILE* fp = FileOf(file);
    if (!fp || !output || maxChars <= 0)
        return nullptr;
    return std::fgets(output, maxChars, fp);
}

int FileSystem::GetSearchPath(const char* pathID, char* output, int maxLength) {
    std::string joined;
    for (const SearchPath* entry : PathsOf(pathID)) {
        if (!joined.empty())
            joined += ';';
        joined += entry->path;
    }
    if (output && maxLength > 0)
        std::snprintf(output, static_cast<size_t>(maxLength), "%s", joined.c_str());
    return static_cast<int>(joined.size()) + 1;
}

int FileSystem::Read(void* output, int size, FileHandle_t file) {
    std::FILE* fp = FileOf(file);
    if (!fp || !output || size <= 0)
        return 0;
    return static_cast<int>(std::fread(output, 1, static_cast<size_t>(size), fp));
}

int FileSystem::Write(const void* input, int size, FileHandle_t file) {
    std::FILE* fp = FileOf(file);
    if (!fp || !input || size <= 0)
        return 0;
    return static_cast<int>(std::fwrite(input, 1, static_cast<size_t>(size), fp));
}

void FileSystem::Seek(FileHandle_t file, int position, FileSystemSeek_t seekType) {
    std::FILE* fp = FileOf(file);
    if (!fp)
        return;
    const int whence = seekType == FILESYSTEM_SEEK_HEAD      ? SEEK_SET
                       : seekType == FILESYSTEM_SEEK_CURRENT ? SEEK_CUR
                                                             : SEEK_END;
    std::fseek(fp, position, whence);
}

unsigned int FileSystem::Tell(FileHandle_t file) {
    std::FILE* fp = FileOf(file);
    const long position = fp ? std::ftell(fp) : 0;
    return position > 0 ? static_cast<unsigned int>(position) : 0;
}

void FileSystem::Flush(FileHandle_t file) {
    if (std::FILE* fp = FileOf(file))
        std::fflush(fp);
}

bool FileSystem::IsOk(FileHandle_t file) {
    std::FILE* fp = FileOf(file);
    return fp && std::ferror(fp) == 0;
}

int FileSystem::FPrintf(FileHandle_t file, const char* format, ...) {
    std::FILE* fp = FileOf(file);
    if (!fp || !format)
        return 0;
    va_list args;
    va_start(args, format);
    const int written = std::vfprintf(fp, format, args);
    va_end(args);
    return written < 0 ? 0 : written;
}

void FileSystem::RemoveFile(const char* relativePath, const char* pathID) {
    const std::string path = FindExisting(relativePath, pathID);
    if (!path.empty() && !IsDir(path))
        std::remove(path.c_str());
}

bool FileSystem::RenameFile(const char* oldPath, const char* newPath, const char* pathID) {
    const std::string from = FindExisting(oldPath, pathID);
    const std::string newName = Normalized(newPath);
    if (from.empty() || newName.empty())
        return false;
    std::string to = newName;
    if (!IsAbsolute(newName)) {
        // The new name lives in the same search path as the old file.
        const SearchPath* entry =
            IsAbsolute(Normalized(oldPath)) ? nullptr : FindIn(oldPath, pathID);
        to = (entry ? entry->path : WritePath("", pathID)) + newName;
    }
    // The C library's rename: glibc's replaces an existing file of the new
    // name, Microsoft's refuses it.
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void FileSystem::CreateDirHierarchy(const char* path, const char* pathID) {
    const std::string target = WritePath(path, pathID);
    if (target.empty())
        return;
    std::error_code error;
    std::filesystem::create_directories(target, error);
}

bool FileSystem::IsDirectory(const char* fileName, const char* pathID) {
    const std::string path = FindExisting(fileName, pathID);
    return !path.empty() && IsDir(path);
}

bool FileSystem::FileExists(const char* fileName, const char* pathID) {
    return !FindExisting(fileName, pathID).empty();
}

bool FileSystem::ReadFile(const char* fileName, const char* pathID, std::string& contents) const {
    const std::string path = FindExisting(fileName, pathID);
    return !path.empty() && WholeFile::Read(path, contents);
}

bool FileSystem::WriteFile(const char* fileName, const char* pathID,
                           const std::string& contents) const {
    const std::string path = WritePath(fileName, pathID);
    return !path.empty() && WholeFile::Write(path, contents);
}

}  // namespace sim
