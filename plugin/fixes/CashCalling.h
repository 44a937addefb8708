#pragma once

#include <tier1/iconvar.h>

class ConVar;
struct edict_t;

// Team cash calling: a player types tk_teamcash and gets, in his own chat,
// the money of every human team mate, richest first, with "+" after those
// who carry a primary weapon. For small teams in war mode only, and during
// freeze time unless the asker is dead or watching. With automatic calling
// allowed, players who set tk_wantautocashcalling get the list at every
// round start. Nothing is kept between calls.
class CashCalling {
public:
    // One listed team mate.
    class CashPlayer {
    public:
        CashPlayer() = default;
        CashPlayer(edict_t* player, int cash, bool primaryWeapon)
            : player(player), cash(cash), primaryWeapon(primaryWeapon) {}

        edict_t* getpEdict() const { return player; }
        int getCash() const { return cash; }
        bool getPrimaryWeapon() const { return primaryWeapon; }

    private:
        edict_t* player = nullptr;
        int cash = 0;
        bool primaryWeapon = false;
    };

    // The largest team that may call: bigger teams do their own talking.
    static constexpr int kMaxTeamSize = 6;

    // The tk_teamcash client command.
    void CallCash(edict_t* player);
    // At round start, after the freeze-time flag is set: the automatic list
    // for every player of a team of 2 to 6 humans who asks for it.
    void OnRoundStart();

    // More cash first; with equal cash, a primary weapon first.
    static bool compareCashPlayers(const CashPlayer& a, const CashPlayer& b);
    static bool HasPrimaryWeapon(edict_t* player);

    static void onTKAllowCashCallingChange(IConVar* var, const char* oldValue, float oldFloat);

private:
    // The console line that refuses the player, or null when he may call.
    static const char* Refusal(bool deadOrObserver, int team);
    static void SendTeamCash(edict_t* caller, int team);
};

extern ConVar tk_allowcashcalling;
