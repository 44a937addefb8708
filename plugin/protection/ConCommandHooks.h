#pragma once

#include <tier1/convar.h>

// Replacements of host commands that clients or map entities can abuse.
// Each registers under the host command's own name, so the console finds it
// first, filters the arguments and hands what it allows to the host's
// command object, found at registration.
class ConCommandHook : public ConCommand {
public:
    ConCommandHook(const char* name, const char* helpText, int flags)
        : ConCommand(name, helpText, flags) {}

    void Dispatch(const CCommand& args) override;

    // The host's command, or null when it has none.
    ConCommand* Target() const { return target; }

protected:
    void Init() override;
    // Whether the call may reach the host's command.
    virtual bool Allow(const CCommand& args) = 0;

private:
    ConCommand* target = nullptr;
};

class CAliasHook : public ConCommandHook {
public:
    CAliasHook();

protected:
    bool Allow(const CCommand& args) override;
};

class CPureHook : public ConCommandHook {
public:
    CPureHook();

protected:
    bool Allow(const CCommand& args) override;

private:
    static void OnPureChanged(int level);
};

class CEntCreateHook : public ConCommandHook {
public:
    CEntCreateHook();

protected:
    bool Allow(const CCommand& args) override;
};

class CEntFireHook : public ConCommandHook {
public:
    CEntFireHook();

protected:
    bool Allow(const CCommand& args) override;
};

// Whether an alias of that name would let a client or a map rebind one of
// the server's sensitive commands or variables.
bool IsForbiddenAlias(const char* name);

extern CAliasHook con_AliasHook;
extern CPureHook con_PureHook;
extern CEntCreateHook con_EntCreateHook;
extern CEntFireHook con_EntFireHook;
