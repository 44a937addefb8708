// Who hears whom in voice chat; the game's voice rules call SetClientListening
// for each pair of clients. Version "VoiceServer002" (engine factory).
// Receiver and sender are entity indexes from 1.
#pragma once

#include <tier0/platform.h>

#define INTERFACEVERSION_VOICESERVER "VoiceServer002"

class IVoiceServer {
public:
    // Slots, in order (on Windows the destructor takes slot 0 alone and
    // every later slot is one lower):
    //  0-1 destructor
    //  2 GetClientListening
    //  3 SetClientListening
    //  4 SetClientProximity
    SDK_DESTRUCTOR_SLOT(IVoiceServer)
    virtual bool GetClientListening(int receiver, int sender) = 0;
    // Answers whether the call was accepted (both indexes valid).
    virtual bool SetClientListening(int receiver, int sender, bool listen) = 0;
    virtual bool SetClientProximity(int client, bool proximity) = 0;
    SDK_DESTRUCTOR_LAST(IVoiceServer)
};
