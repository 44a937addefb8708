// Game events ("player_death", "round_start", ...): created, filled and fired
// by engine and game, heard by listeners. Version "GAMEEVENTSMANAGER002"
// (engine factory).
//
// Values are read by key name with a default for a missing key. Creating an
// event that nobody listens to gives null (unless forced).
#pragma once

#include <tier0/platform.h>

class bf_read;
class bf_write;

#define INTERFACEVERSION_GAMEEVENTSMANAGER2 "GAMEEVENTSMANAGER002"
#define MAX_EVENT_NAME_LENGTH 32

class IGameEvent {
public:
    // Slots, in order (on Windows the destructor takes slot 0 alone and
    // every later slot is one lower):
    //  0-1 destructor      6 GetBool       10 SetBool
    //  2 GetName           7 GetInt        11 SetInt
    //  3 IsReliable        8 GetFloat      12 SetFloat
    //  4 IsLocal           9 GetString     13 SetString
    //  5 IsEmpty
    SDK_DESTRUCTOR_SLOT(IGameEvent)
    virtual const char* GetName() const = 0;
    virtual bool IsReliable() const = 0;
    virtual bool IsLocal() const = 0;
    // True when the key is absent (or, without a key, when no key is set).
    virtual bool IsEmpty(const char* keyName = nullptr) = 0;

    virtual bool GetBool(const char* keyName = nullptr, bool defaultValue = false) = 0;
    virtual int GetInt(const char* keyName = nullptr, int defaultValue = 0) = 0;
    virtual float GetFloat(const char* keyName = nullptr, float defaultValue = 0.0f) = 0;
    virtual const char* GetString(const char* keyName = nullptr, const char* defaultValue = "") = 0;

    virtual void SetBool(const char* keyName, bool value) = 0;
    virtual void SetInt(const char* keyName, int value) = 0;
    virtual void SetFloat(const char* keyName, float value) = 0;
    virtual void SetString(const char* keyName, const char* value) = 0;
    SDK_DESTRUCTOR_LAST(IGameEvent)
};

class IGameEventListener2 {
public:
    // Slots, in order (on Windows the destructor takes slot 0 alone and
    // every later slot is one lower):
    //  0-1 destructor
    //  2 FireGameEvent
    SDK_DESTRUCTOR_SLOT(IGameEventListener2)
    // The event is the manager's; it is valid only during the call.
    virtual void FireGameEvent(IGameEvent* event) = 0;
    SDK_DESTRUCTOR_LAST(IGameEventListener2)
};

class IGameEventManager2 {
public:
    // Slots, in order (on Windows the destructor takes slot 0 alone and
    // every later slot is one lower):
    //  0-1 destructor            6 CreateEvent
    //  2 LoadEventsFromFile      7 FireEvent
    //  3 Reset                   8 FireEventClientSide
    //  4 AddListener             9 DuplicateEvent
    //  5 FindListener           10 FreeEvent
    //                           11 RemoveListener
    SDK_DESTRUCTOR_SLOT(IGameEventManager2)
    // Number of event descriptions loaded.
    virtual int LoadEventsFromFile(const char* fileName) = 0;
    virtual void Reset() = 0;
    // Adds the listener for one event; answers false for an unknown event.
    // Adding the same listener twice for an event keeps one registration.
    virtual bool AddListener(IGameEventListener2* listener, const char* name, bool serverSide) = 0;
    virtual bool FindListener(IGameEventListener2* listener, const char* name) = 0;
    // Null when nobody listens and force is false, or the event is unknown.
    virtual IGameEvent* CreateEvent(const char* name, bool force = false) = 0;
    // Delivers the event to its listeners and frees it; answers whether it was delivered.
    virtual bool FireEvent(IGameEvent* event, bool dontBroadcast = false) = 0;
    virtual bool FireEventClientSide(IGameEvent* event) = 0;
    virtual IGameEvent* DuplicateEvent(IGameEvent* event) = 0;
    // Frees an event that was created and not fired.
    virtual void FreeEvent(IGameEvent* event) = 0;
    // Removes the listener from every event.
    virtual void RemoveListener(IGameEventListener2* listener) = 0;
    SDK_DESTRUCTOR_LAST(IGameEventManager2)
};
