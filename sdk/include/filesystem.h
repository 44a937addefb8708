// The host's file system: files reached through search paths that carry an
// ID. Version "VFileSystem017" (engine factory).
//
// - A relative name is looked up in the search paths: a read with no path ID
//   searches every path in order, with an ID only the paths of that ID. A
//   write goes to the first path of its ID (or the first path of all without
//   one). An absolute name is used as it is, whatever the ID.
// - AddSearchPath ignores a duplicate of path and ID; RemoveSearchPath says
//   whether anything went.
// - Open modes are those of fopen: "r", "w", "a", "rb", "wb", "ab", "r+".
// - Common IDs: "GAME" (the game folder), "MOD", "DEFAULT_WRITE_PATH"; plug-ins
//   add their own ("TRAVIK", "TK_LOGS").
#pragma once

#include <tier0/platform.h>

#define FILESYSTEM_INTERFACE_VERSION "VFileSystem017"

typedef void* FileHandle_t;
#define FILESYSTEM_INVALID_HANDLE static_cast<FileHandle_t>(nullptr)

enum SearchPathAdd_t {
    PATH_ADD_TO_HEAD = 0,  // searched first
    PATH_ADD_TO_TAIL,      // searched last
};

enum FileSystemSeek_t {
    FILESYSTEM_SEEK_HEAD = 0,
    FILESYSTEM_SEEK_CURRENT,
    FILESYSTEM_SEEK_TAIL,
};

class IFileSystem {
public:
    // Slots, in order (on Windows the two Size are in reverse order):
    //  0 AddSearchPath        8 GetSearchPath      16 RemoveFile
    //  1 RemoveSearchPath     9 Read               17 RenameFile
    //  2 Open                10 Write              18 CreateDirHierarchy
    //  3 Close               11 Seek               19 IsDirectory
    //  4 Size(handle)        12 Tell               20 FileExists
    //  5 Size(name)          13 Flush
    //  6 EndOfFile           14 IsOk
    //  7 ReadLine            15 FPrintf
    virtual void AddSearchPath(const char* path, const char* pathID,
                               SearchPathAdd_t addType = PATH_ADD_TO_TAIL) = 0;
    virtual bool RemoveSearchPath(const char* path, const char* pathID = nullptr) = 0;

    // FILESYSTEM_INVALID_HANDLE when the file cannot be opened.
    virtual FileHandle_t Open(const char* fileName, const char* options,
                              const char* pathID = nullptr) = 0;
    virtual void Close(FileHandle_t file) = 0;
#ifdef _WIN32
    // Overloads as the Microsoft compiler orders them (see IConVar).
    // 0 for a missing file.
    virtual unsigned int Size(const char* fileName, const char* pathID = nullptr) = 0;
    virtual unsigned int Size(FileHandle_t file) = 0;
#else
    virtual unsigned int Size(FileHandle_t file) = 0;
    // 0 for a missing file.
    virtual unsigned int Size(const char* fileName, const char* pathID = nullptr) = 0;
#endif
    virtual bool EndOfFile(FileHandle_t file) = 0;
    // Reads one line, line end included, at most maxChars - 1 characters,
    // always terminated; null at end of file.
    virtual char* ReadLine(char* output, int maxChars, FileHandle_t file) = 0;
    // Writes the search path list of an ID (all when null) into the buffer,
    // separated by ';'; answers the length needed.
    virtual int GetSearchPath(const char* pathID, char* output, int maxLength) = 0;

    // Bytes read or written.
    virtual int Read(void* output, int size, FileHandle_t file) = 0;
    virtual int Write(const void* input, int size, FileHandle_t file) = 0;
    virtual void Seek(FileHandle_t file, int position, FileSystemSeek_t seekType) = 0;
    virtual unsigned int Tell(FileHandle_t file) = 0;
    virtual void Flush(FileHandle_t file) = 0;
    virtual bool IsOk(FileHandle_t file) = 0;
    // Formatted write; answers the characters written.
    virtual int FPrintf(FileHandle_t file, const char* format, ...) FMTFUNCTION(3, 4) = 0;

    virtual void RemoveFile(const char* relativePath, const char* pathID = nullptr) = 0;
    // The C library's rename: onto an existing file it replaces that file on
    // Linux and fails on Windows.
    virtual bool RenameFile(const char* oldPath, const char* newPath,
                            const char* pathID = nullptr) = 0;
    // Creates the folder and any missing parents.
    virtual void CreateDirHierarchy(const char* path, const char* pathID = nullptr) = 0;
    virtual bool IsDirectory(const char* fileName, const char* pathID = nullptr) = 0;
    virtual bool FileExists(const char* fileName, const char* pathID = nullptr) = 0;

protected:
    ~IFileSystem() = default;
};
