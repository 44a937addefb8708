// The process command line ("-insecure", "+maxplayers 24", "-tickrate 66"),
// parsed once by the host and read by everyone through CommandLine_Tier0().
//
// Parameters compare case-insensitively. A parameter's value is the next
// word unless that word starts with '-' or '+'. Double quotes group words.
#pragma once

#include <tier0/platform.h>

class ICommandLine {
public:
    // Slots, in order (on Windows each overloaded name's slots are in
    // reverse order):
    //  0 CreateCmdLine(const char*)
    //  1 CreateCmdLine(int, char**)
    //  2 GetCmdLine
    //  3 CheckParm
    //  4 FindParm
    //  5 ParmValue(const char*, const char*)
    //  6 ParmValue(const char*, int)
    //  7 ParmValue(const char*, float)
    //  8 ParmCount
    //  9 GetParm
#ifdef _WIN32
    // Overloads as the Microsoft compiler orders them (see IConVar).
    virtual void CreateCmdLine(int argc, char** argv) = 0;
    virtual void CreateCmdLine(const char* commandLine) = 0;
#else
    virtual void CreateCmdLine(const char* commandLine) = 0;
    virtual void CreateCmdLine(int argc, char** argv) = 0;
#endif
    // The whole line as given ("" before CreateCmdLine).
    virtual const char* GetCmdLine() const = 0;
    // The parameter as found (null when absent); *value receives its value or null.
    virtual const char* CheckParm(const char* parm, const char** value = nullptr) const = 0;
    // Index of the parameter among the words (the program name is word 0), 0 when absent.
    virtual int FindParm(const char* parm) const = 0;
#ifdef _WIN32
    virtual float ParmValue(const char* parm, float defaultValue) const = 0;
    virtual int ParmValue(const char* parm, int defaultValue) const = 0;
    virtual const char* ParmValue(const char* parm, const char* defaultValue = nullptr) const = 0;
#else
    virtual const char* ParmValue(const char* parm, const char* defaultValue = nullptr) const = 0;
    virtual int ParmValue(const char* parm, int defaultValue) const = 0;
    virtual float ParmValue(const char* parm, float defaultValue) const = 0;
#endif
    virtual int ParmCount() const = 0;
    // Word i, or "" out of range.
    virtual const char* GetParm(int index) const = 0;

protected:
    ~ICommandLine() = default;
};

PLATFORM_INTERFACE ICommandLine* CommandLine_Tier0();
