// Console variables and commands: ConCommandBase, ConVar, ConCommand, CCommand,
// and their registration with the host's ICvar (ConVar_Register).
//
// Objects are shared between modules: a plug-in reaches the host's variables
// and commands through ICvar::FindVar/FindCommand and uses them through this
// same header, so the layout below is part of the contract. Everything that
// must run the owner's code is virtual (SetValue, Dispatch, Init).
//
// Behaviour contracts:
// - A text's number is the C library's atof of it: "0x10" is 16, "1e3" is
//   1000, "nan" and "inf" are NaN and infinity, beyond the float range is
//   infinite, and text that is not a number counts as 0. GetInt is the
//   number saturated at the int range (0 for NaN).
// - Setting a variable (any SetValue overload, Revert) clamps the number to
//   the minimum first, then to the maximum; NaN passes both. A clamped text
//   set stores the bound printed with "%f" ("60.000000"); an unclamped one
//   stores the text as given.
// - SetValue(float) and SetValue(int) return at once, without a callback,
//   when the number equals the held float (or int); otherwise they store the
//   text "%f" (float) or "%d" (int) of the clamped number.
// - The change callback runs synchronously inside the set call, after the new
//   text and number are stored, with the old text and the old number; a text
//   set runs it also when nothing changed. A set inside the callback runs it
//   again, nested; the old text each call receives stays valid for that call.
// - One callback slot: InstallChangeCallback replaces it and never calls it.
// - CCommand::Tokenize: see CCommand below.
#pragma once

#include <tier0/platform.h>
#include <tier1/iconvar.h>

class ConVar;
class ConCommand;
class ConCommandBase;
class CCommand;
class CCvar;

// Identifies the module that registered a variable or command.
typedef int CVarDLLIdentifier_t;
constexpr CVarDLLIdentifier_t INVALID_CVAR_DLL_IDENTIFIER = -1;

// Receives each of a module's variables and commands during ConVar_Register.
class IConCommandBaseAccessor {
public:
    // Slots: 0 RegisterConCommandBase. Answers whether it was registered.
    virtual bool RegisterConCommandBase(ConCommandBase* var) = 0;

protected:
    ~IConCommandBaseAccessor() = default;
};

// Registers every variable and command this module constructed with the ICvar
// that ConnectTier1Libraries found, adding the given flags to each. Objects
// constructed later register at once. The accessor is optional.
void ConVar_Register(int cvarFlags = 0, IConCommandBaseAccessor* accessor = nullptr);
// Removes every variable and command this module registered.
void ConVar_Unregister();

// The common part of variables and commands.
class ConCommandBase {
public:
    ConCommandBase();
    // The name and help text are kept by pointer: they must outlive the object.
    ConCommandBase(const char* name, const char* helpText = nullptr, int flags = 0);
    // Slots, in order (ConVar and ConCommand add theirs after these; on
    // Windows the deleting destructor takes slot 0 alone and every later
    // slot is one lower, see SDK_DELETING_DESTRUCTOR):
    //  0-1 destructor
    //  2 IsCommand
    //  3 IsFlagSet
    //  4 AddFlags
    //  5 RemoveFlags
    //  6 GetFlags
    //  7 GetName
    //  8 GetHelpText
    //  9 IsRegistered
    // 10 GetDLLIdentifier
    // 11 Create
    // 12 Init
#ifdef _WIN32
    virtual void* DeletingDestructor(unsigned int flags);
    ~ConCommandBase();
#else
    virtual ~ConCommandBase();
#endif

    virtual bool IsCommand() const;
    virtual bool IsFlagSet(int flag) const;
    virtual void AddFlags(int flags);
    virtual void RemoveFlags(int flags);
    virtual int GetFlags() const;
    virtual const char* GetName() const;
    virtual const char* GetHelpText() const;
    virtual bool IsRegistered() const;
    virtual CVarDLLIdentifier_t GetDLLIdentifier() const;

    // The next entry of the host's registered list (ICvar::GetCommands).
    ConCommandBase* GetNext() const {
        return m_pNext;
    }

    ConCommandBase(const ConCommandBase&) = delete;
    ConCommandBase& operator=(const ConCommandBase&) = delete;

protected:
    virtual void Create(const char* name, const char* helpText = nullptr, int flags = 0);
    // Registration: called by ConVar_Register. The default hands the object to
    // the registering accessor (normally the ICvar); an override may do its
    // own work first and must then call the base Init.
    virtual void Init();

private:
    friend class CCvar;
    friend void ConVar_Register(int, IConCommandBaseAccessor*);
    void LinkIntoModuleList();
    void UnlinkFromModuleList();

    ConCommandBase* m_pNext = nullptr;          // host's registered list, kept by the ICvar
    ConCommandBase* m_pNextInModule = nullptr;  // this module's own list
    bool m_bRegistered = false;
    CVarDLLIdentifier_t m_nDLLIdentifier = INVALID_CVAR_DLL_IDENTIFIER;
    const char* m_pszName = "";
    const char* m_pszHelpString = "";
    int m_nFlags = 0;
};

// A command line split into arguments, as the host's console does it.
//
// Tokenize rules: words end at a byte at or below space, at a double quote,
// or at one of { } ( ) ' : each of which is an argument of its own
// ("STEAM_0:1:23" is five arguments). A quoted section is one argument
// without its quotes; there are no escapes; an unclosed quote runs to the end
// of the line. "//" at the start of an argument starts a comment. At most
// COMMAND_MAX_ARGC arguments: parsing stops there with a warning. A line of
// COMMAND_MAX_LENGTH characters or more is refused with a warning (Tokenize
// answers false and ArgC is 0); nothing is ever cut silently.
class CCommand {
public:
    enum {
        COMMAND_MAX_ARGC = 64,
        COMMAND_MAX_LENGTH = 512,
    };

    CCommand();
    // Builds a line from separate arguments, quoting those that need it.
    CCommand(int argc, const char* const* argv);

    bool Tokenize(const char* line);
    void Reset();

    int ArgC() const { return m_nArgc; }
    const char** ArgV() const { return m_nArgc ? const_cast<const char**>(m_ppArgv) : nullptr; }
    // The raw rest of the line from the first character of argument 1
    // (quotes kept); "" without arguments.
    const char* ArgS() const { return m_nArgc > 1 ? m_pArgSBuffer + m_nArgSOffset : ""; }
    // The whole line as tokenized ("" when empty or refused).
    const char* GetCommandString() const { return m_nArgc ? m_pArgSBuffer : ""; }
    // Argument i; "" out of range.
    const char* Arg(int index) const {
        return (index < 0 || index >= m_nArgc || index >= COMMAND_MAX_ARGC) ? "" : m_ppArgv[index];
    }
    const char* operator[](int index) const { return Arg(index); }

    static int MaxCommandLength() { return COMMAND_MAX_LENGTH - 1; }

private:
    bool AddArgument(const char* start, int length);

    int m_nArgc;
    int m_nArgSOffset;
    char m_pArgSBuffer[COMMAND_MAX_LENGTH];
    // Arguments and their terminators: the line's characters plus one
    // terminator per argument always fit.
    char m_pArgvBuffer[COMMAND_MAX_LENGTH + COMMAND_MAX_ARGC];
    int m_nArgvUsed;
    const char* m_ppArgv[COMMAND_MAX_ARGC];
};

typedef void (*FnCommandCallbackVoid_t)();
typedef void (*FnCommandCallback_t)(const CCommand& command);

// A console command. The host runs it through the virtual Dispatch, which
// calls the callback; a derived command may override Dispatch instead.
class ConCommand : public ConCommandBase {
public:
    ConCommand(const char* name, FnCommandCallback_t callback, const char* helpText = nullptr,
               int flags = 0);
    ConCommand(const char* name, FnCommandCallbackVoid_t callback, const char* helpText = nullptr,
               int flags = 0);
    // For commands that override Dispatch and have no callback.
    ConCommand(const char* name, const char* helpText, int flags = 0);
    ~ConCommand() SDK_DESTRUCTOR_OVERRIDE;
    SDK_DELETING_DESTRUCTOR(ConCommand)

    bool IsCommand() const override;
    // Slot 13 (after ConCommandBase's; 12 on Windows).
    virtual void Dispatch(const CCommand& command);

private:
    FnCommandCallback_t m_fnCommandCallback = nullptr;
    FnCommandCallbackVoid_t m_fnCommandCallbackVoid = nullptr;
};

// A console variable: its text, its number as float and int, a default, help
// text, flags, optional bounds and one change-callback slot.
class ConVar : public ConCommandBase, public IConVar {
public:
    ConVar(const char* name, const char* defaultValue, int flags = 0);
    ConVar(const char* name, const char* defaultValue, int flags, const char* helpText);
    ConVar(const char* name, const char* defaultValue, int flags, const char* helpText, bool hasMin,
           float min, bool hasMax, float max);
    ConVar(const char* name, const char* defaultValue, int flags, const char* helpText,
           FnChangeCallback_t callback);
    ConVar(const char* name, const char* defaultValue, int flags, const char* helpText, bool hasMin,
           float min, bool hasMax, float max, FnChangeCallback_t callback);
    ~ConVar() SDK_DESTRUCTOR_OVERRIDE;
    SDK_DELETING_DESTRUCTOR(ConVar)

    // Slots of the ConCommandBase part: those of ConCommandBase, overridden
    // where declared here, then (on Linux) 13 InternalSetValue, 14 InternalSetFloatValue,
    // 15 InternalSetIntValue, 16 ClampValue. The IConVar part has its own table.
    bool IsCommand() const override;
    bool IsFlagSet(int flag) const override;
    const char* GetName() const override;

    void SetValue(const char* value) override;
    void SetValue(float value) override;
    void SetValue(int value) override;
    // Sets the default text again (through the same path as SetValue).
    void Revert();

    // Replaces the callback (null removes it) without calling it.
    void InstallChangeCallback(FnChangeCallback_t callback) { m_fnChangeCallback = callback; }
    FnChangeCallback_t GetChangeCallback() const { return m_fnChangeCallback; }

    float GetFloat() const { return m_fValue; }
    int GetInt() const { return m_nValue; }
    bool GetBool() const { return m_nValue != 0; }
    const char* GetString() const { return m_pszString ? m_pszString : ""; }
    const char* GetDefault() const { return m_pszDefaultValue; }

    // Whether a bound is set; when it is, its value goes to the argument.
    bool GetMin(float& min) const;
    bool GetMax(float& max) const;
    bool HasMin() const { return m_bHasMin; }
    bool HasMax() const { return m_bHasMax; }
    float GetMinValue() const { return m_fMinVal; }
    float GetMaxValue() const { return m_fMaxVal; }

protected:
    virtual void InternalSetValue(const char* value);
    virtual void InternalSetFloatValue(float value);
    virtual void InternalSetIntValue(int value);
    // Applies the bounds; answers whether the value changed.
    virtual bool ClampValue(float& value);

private:
    void CreateVar(const char* name, const char* defaultValue, int flags, const char* helpText,
                   bool hasMin, float min, bool hasMax, float max, FnChangeCallback_t callback);
    void StoreValue(const char* text, float value, int intValue);
    void CopyString(const char* text);

    const char* m_pszDefaultValue = "";
    char* m_pszString = nullptr;
    int m_nStringCapacity = 0;
    float m_fValue = 0.0f;
    int m_nValue = 0;
    bool m_bHasMin = false;
    float m_fMinVal = 0.0f;
    bool m_bHasMax = false;
    float m_fMaxVal = 0.0f;
    FnChangeCallback_t m_fnChangeCallback = nullptr;
};

// Defines a console command with a callback body:
//   CON_COMMAND(tk_lo3, "help text") { ... args ... }
#define CON_COMMAND(name, description)                                     \
    static void name##_callback(const CCommand& args);                     \
    static ConCommand name##_command(#name, name##_callback, description); \
    static void name##_callback([[maybe_unused]] const CCommand& args)

#define CON_COMMAND_F(name, description, flags)                                   \
    static void name##_callback(const CCommand& args);                            \
    static ConCommand name##_command(#name, name##_callback, description, flags); \
    static void name##_callback([[maybe_unused]] const CCommand& args)
