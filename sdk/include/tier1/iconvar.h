// The console-variable interface that change callbacks receive, and the
// console flag bits.
#pragma once

#include <tier0/platform.h>

class IConVar;
class CCommand;

// Flag bits of console variables and commands (numeric values are the host's).
#define FCVAR_NONE 0
#define FCVAR_UNREGISTERED (1 << 0)      // 1: not added to the cvar list
#define FCVAR_DEVELOPMENTONLY (1 << 1)   // 2
#define FCVAR_GAMEDLL (1 << 2)           // 4: defined by the game library
#define FCVAR_CLIENTDLL (1 << 3)         // 8: defined by the client library
#define FCVAR_HIDDEN (1 << 4)            // 16: not listed
#define FCVAR_PROTECTED (1 << 5)         // 32: value never sent to clients
#define FCVAR_SPONLY (1 << 6)            // 64: single player only
#define FCVAR_ARCHIVE (1 << 7)           // 128
#define FCVAR_NOTIFY (1 << 8)            // 256: changes announced to players
#define FCVAR_USERINFO (1 << 9)          // 512
#define FCVAR_PRINTABLEONLY (1 << 10)    // 1024
#define FCVAR_UNLOGGED (1 << 11)         // 2048: changes not logged
#define FCVAR_NEVER_AS_STRING (1 << 12)  // 4096
#define FCVAR_REPLICATED (1 << 13)       // 8192: the server copies it to every client
#define FCVAR_CHEAT (1 << 14)            // 16384: only with sv_cheats

// A change callback: runs synchronously inside the set call, after the new
// value is stored, with the old text and the old number (see ConVar).
typedef void (*FnChangeCallback_t)(IConVar* var, const char* oldValue, float oldFloat);

// What a change callback sees of a variable; setting goes through these
// virtual functions, so the variable's owner's code always runs.
class IConVar {
public:
    // Slots, in order (on Windows the three SetValue are in reverse order):
    //  0 SetValue(const char*)
    //  1 SetValue(float)
    //  2 SetValue(int)
    //  3 GetName
    //  4 IsFlagSet
#ifdef _WIN32
    // The Microsoft compiler gives overloaded virtual functions adjacent
    // slots at the place of the first, in reverse order of declaration.
    virtual void SetValue(int value) = 0;
    virtual void SetValue(float value) = 0;
    virtual void SetValue(const char* value) = 0;
#else
    virtual void SetValue(const char* value) = 0;
    virtual void SetValue(float value) = 0;
    virtual void SetValue(int value) = 0;
#endif
    virtual const char* GetName() const = 0;
    virtual bool IsFlagSet(int flag) const = 0;

protected:
    ~IConVar() = default;
};
