// The host's file system over the real game folder: search paths with IDs
// ("GAME", "MOD", "DEFAULT_WRITE_PATH" at start, plug-ins add their own),
// reads through every path of an ID in order, writes to the first.
#pragma once

#include <filesystem.h>

#include <set>
#include <string>
#include <vector>

namespace sim {

class FileSystem final : public IFileSystem {
public:
    // gameDir is the mod folder (".../cstrike"); its parent is the base
    // that relative search paths start from.
    explicit FileSystem(std::string gameDir);
    ~FileSystem();

    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;

    void AddSearchPath(const char* path, const char* pathID, SearchPathAdd_t addType) override;
    bool RemoveSearchPath(const char* path, const char* pathID) override;
    FileHandle_t Open(const char* fileName, const char* options, const char* pathID) override;
    void Close(FileHandle_t file) override;
    unsigned int Size(FileHandle_t file) override;
    unsigned int Size(const char* fileName, const char* pathID) override;
    bool EndOfFile(FileHandle_t file) override;
    char* ReadLine(char* output, int maxChars, FileHandle_t file) override;
    int GetSearchPath(const char* pathID, char* output, int maxLength) override;
    int Read(void* output, int size, FileHandle_t file) override;
    int Write(const void* input, int size, FileHandle_t file) override;
    void Seek(FileHandle_t file, int position, FileSystemSeek_t seekType) override;
    unsigned int Tell(FileHandle_t file) override;
    void Flush(FileHandle_t file) override;
    bool IsOk(FileHandle_t file) override;
    int FPrintf(FileHandle_t file, const char* format, ...) override FMTFUNCTION(3, 4);
    void RemoveFile(const char* relativePath, const char* pathID) override;
    bool RenameFile(const char* oldPath, const char* newPath, const char* pathID) override;
    void CreateDirHierarchy(const char* path, const char* pathID) override;
    bool IsDirectory(const char* fileName, const char* pathID) override;
    bool FileExists(const char* fileName, const char* pathID) override;

    // For the engine: the full path of an existing file ("" when none), the
    // full path a write would go to ("" when the ID has no path), and whole
    // files read or written at once.
    std::string FindExisting(const char* fileName, const char* pathID) const;
    std::string WritePath(const char* fileName, const char* pathID) const;
    bool ReadFile(const char* fileName, const char* pathID, std::string& contents) const;
    bool WriteFile(const char* fileName, const char* pathID, const std::string& contents) const;

    const std::string& GameDir() const { return m_gameDir; }
    size_t OpenHandleCount() const { return m_open.size(); }

private:
    struct SearchPath {
        std::string path;  // absolute, with a trailing '/'
        std::string id;
    };

    std::string Absolute(const char* path) const;
    std::vector<const SearchPath*> PathsOf(const char* pathID) const;
    // The search path an existing name was found in (null for none).
    const SearchPath* FindIn(const char* fileName, const char* pathID) const;
    std::FILE* FileOf(FileHandle_t handle) const;

    std::string m_gameDir;
    std::string m_baseDir;
    std::vector<SearchPath> m_paths;
    std::set<FileHandle_t> m_open;
};

}  // namespace sim
