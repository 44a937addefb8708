// The set of clients a user message goes to (IVEngineServer::UserMessageBegin).
// Recipients are entity indexes of player slots.
#pragma once

#include <tier0/platform.h>

class IRecipientFilter {
public:
    // Slots, in order (on Windows the destructor takes slot 0 alone and
    // every later slot is one lower):
    //  0-1 destructor
    //  2 IsReliable
    //  3 IsInitMessage
    //  4 GetRecipientCount
    //  5 GetRecipientIndex
    SDK_DESTRUCTOR_SLOT(IRecipientFilter)
    virtual bool IsReliable() const = 0;
    virtual bool IsInitMessage() const = 0;
    virtual int GetRecipientCount() const = 0;
    // The entity index at that position, or -1 when out of range.
    virtual int GetRecipientIndex(int slot) const = 0;
    SDK_DESTRUCTOR_LAST(IRecipientFilter)
};
