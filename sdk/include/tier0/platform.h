// Basic types and export macros shared by every SDK header.
#pragma once

#include <cstddef>
#include <cstdint>

using int8 = std::int8_t;
using uint8 = std::uint8_t;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;
using byte = unsigned char;
using uint = unsigned int;

// Modules are built with hidden visibility; only what these mark leaves a
// shared object. DLL_EXPORT is for a module's C entry points (CreateInterface),
// PLATFORM_INTERFACE for what tier0 exports, VSTDLIB_INTERFACE for vstdlib.
// On Windows a DLL exports what is marked dllexport, and a user of tier0 must
// import its data (g_pVCR) through the import table: CMake defines
// <target>_EXPORTS while it builds a shared library.
#ifdef _WIN32
#define DLL_EXPORT extern "C" __declspec(dllexport)
#define DLL_IMPORT extern "C" __declspec(dllimport)
#define DLL_CLASS_EXPORT __declspec(dllexport)
#define DLL_GLOBAL_EXPORT extern __declspec(dllexport)
#ifdef tier0_EXPORTS
#define TIER0_DLL_API __declspec(dllexport)
#else
#define TIER0_DLL_API __declspec(dllimport)
#endif
#define PLATFORM_INTERFACE extern "C" TIER0_DLL_API
#define PLATFORM_OVERLOAD TIER0_DLL_API
#define PLATFORM_CLASS TIER0_DLL_API
#else
#define DLL_EXPORT extern "C" __attribute__((visibility("default")))
#define DLL_IMPORT extern "C"
#define DLL_CLASS_EXPORT __attribute__((visibility("default")))
#define DLL_GLOBAL_EXPORT extern __attribute__((visibility("default")))

#define PLATFORM_INTERFACE extern "C" __attribute__((visibility("default")))
#define PLATFORM_OVERLOAD __attribute__((visibility("default")))
#define PLATFORM_CLASS __attribute__((visibility("default")))
#endif

// Virtual destructors as the server's compiler lays out virtual tables.
//
// The Linux server is built by g++ (the Itanium C++ ABI): a virtual
// destructor takes two slots where it is declared. The Windows server is
// built by the Microsoft compiler: one slot, holding a deleting destructor
// that is called (thiscall) with a flags word, bit 0 meaning "free the
// memory too", and answers the object's address. g++, which builds the
// Windows plug-in too, cannot lay a table out that way, so in the Windows
// build the slot is a virtual function of the deleting destructor's shape,
// and the real destructor either comes after everything the server calls or
// is not virtual at all. A virtual destructor g++ lays out takes its two
// slots after the virtual functions declared before it in its class, that
// is ahead of every virtual function a derived class adds; so:
// - an interface that no class extends with virtual functions the server
//   calls (the plug-in's implementations add none) puts
//   SDK_DESTRUCTOR_SLOT(Class) where its destructor is declared: the slot,
//   which destroys (and frees) the whole object through the real
//   destructor; and SDK_DESTRUCTOR_LAST(Class) after its last virtual
//   function: the real (virtual) destructor, whose two slots then come after
//   everything the server calls.
// - a family whose derived classes add virtual functions the server calls
//   (IHandleEntity, which IServerUnknown extends and the game's entities
//   after it; ConCommandBase, whose ConCommand adds Dispatch) has no virtual
//   destructor there at all. The family's root interface declares the slot
//   with SDK_FAMILY_DESTRUCTOR_SLOT(Class), pure, and each of its interfaces
//   ends with SDK_FAMILY_DESTRUCTOR(Class): a protected destructor, so that
//   nothing deletes through a pointer to it. Every class of the family that
//   has objects, one deriving from another included, overrides the slot with
//   SDK_DELETING_DESTRUCTOR(Class), or deleting it through the slot runs
//   only its base's destructor; the family's destructors are declared with
//   SDK_DESTRUCTOR_OVERRIDE. (ConCommandBase, which has objects of its own,
//   defines its slot itself.)
// On Linux SDK_DESTRUCTOR_SLOT and SDK_FAMILY_DESTRUCTOR_SLOT are the plain
// virtual destructor and the others are empty.
#ifdef _WIN32
#define SDK_DESTRUCTOR_SLOT(Class)                         \
    virtual void* DeletingDestructor(unsigned int flags) { \
        if (flags & 1)                                     \
            delete this;                                   \
        else                                               \
            this->~Class();                                \
        return this;                                       \
    }
#define SDK_DESTRUCTOR_LAST(Class) \
public:                            \
    virtual ~Class() = default;
#define SDK_FAMILY_DESTRUCTOR_SLOT(Class) virtual void* DeletingDestructor(unsigned int flags) = 0;
#define SDK_FAMILY_DESTRUCTOR(Class) \
protected:                           \
    ~Class() = default;              \
                                     \
public:
#define SDK_DELETING_DESTRUCTOR(Class)                      \
    void* DeletingDestructor(unsigned int flags) override { \
        this->~Class();                                     \
        if (flags & 1)                                      \
            ::operator delete(this);                        \
        return this;                                        \
    }
#define SDK_DESTRUCTOR_OVERRIDE
#else
#define SDK_DESTRUCTOR_SLOT(Class) virtual ~Class() = default;
#define SDK_DESTRUCTOR_LAST(Class)
#define SDK_FAMILY_DESTRUCTOR_SLOT(Class) virtual ~Class() = default;
#define SDK_FAMILY_DESTRUCTOR(Class)
#define SDK_DELETING_DESTRUCTOR(Class)
// What a family member's destructor is declared with.
#define SDK_DESTRUCTOR_OVERRIDE override
#endif

// printf-style checking for every formatting entry point.
// MinGW's C++ runtime formats as C99 says (%zu, %lld), not as the Microsoft
// C library does, which is what g++ checks "printf" against there.
#ifdef _WIN32
#define FMTFUNCTION(fmtIndex, argIndex) __attribute__((format(gnu_printf, fmtIndex, argIndex)))
#else
#define FMTFUNCTION(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))
#endif

#ifndef ARRAYSIZE  // windows.h has its own
#define ARRAYSIZE(a) (sizeof(a) / sizeof((a)[0]))
#endif
