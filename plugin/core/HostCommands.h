#pragma once

class ConCommand;
class ConCommandBase;

// The host's console commands as the plug-in finds and compares them: names
// of commands, events and variables are compared exactly and
// case-sensitively.
namespace HostCommands {

// Whether `name` is exactly `wanted`; a null name is nothing's.
bool IsNamed(const char* name, const char* wanted);
// Whether `name` is `wanted` in any case: how the game matches the client
// commands it runs itself ("spec_mode", "vban", ...), so that a check of
// one of them cannot be passed by "SPEC_MODE".
bool IsNamedInAnyCase(const char* name, const char* wanted);
bool StartsWith(const char* name, const char* prefix);
// The first registered command of exactly that name other than `skip`,
// or null (no cvar interface, or no such command).
ConCommand* Find(const char* name, const ConCommandBase* skip = nullptr);
// Whether the entry is still on the host's list: a command of a module
// that unloaded is not, and its memory must not be touched.
bool IsRegistered(const ConCommandBase* entry);
}  // namespace HostCommands
