// Engine-wide limits and the player flag and move-type values.
#pragma once

// Player slots run from entity index 1 to the client maximum.
#define ABSOLUTE_PLAYER_LIMIT 64
#define MAX_PLAYERS ABSOLUTE_PLAYER_LIMIT

#define MAX_EDICT_BITS 11
#define MAX_EDICTS (1 << MAX_EDICT_BITS)  // 2048

// Player entity flags (m_fFlags).
#define FL_ONGROUND (1 << 0)  // 1: standing on the ground
#define FL_DUCKING (1 << 1)   // 2
#define FL_WATERJUMP (1 << 2)
#define FL_ONTRAIN (1 << 3)
#define FL_INRAIN (1 << 4)
#define FL_FROZEN (1 << 5)
#define FL_ATCONTROLS (1 << 6)
#define FL_CLIENT (1 << 7)
#define FL_FAKECLIENT (1 << 8)

// Entity move types (the movetype field, one byte).
enum MoveType_t {
    MOVETYPE_NONE = 0,
    MOVETYPE_ISOMETRIC = 1,
    MOVETYPE_WALK = 2,
    MOVETYPE_STEP = 3,
    MOVETYPE_FLY = 4,
    MOVETYPE_FLYGRAVITY = 5,
    MOVETYPE_VPHYSICS = 6,  // physics
    MOVETYPE_PUSH = 7,
    MOVETYPE_NOCLIP = 8,
    MOVETYPE_LADDER = 9,
    MOVETYPE_OBSERVER = 10,
    MOVETYPE_CUSTOM = 11,
    MOVETYPE_LAST = MOVETYPE_CUSTOM,
};

// Edict state flags (edict_t::m_fStateFlags).
#define FL_EDICT_CHANGED (1 << 0)
#define FL_EDICT_FREE (1 << 1)  // the slot holds no entity
#define FL_EDICT_FULL (1 << 2)
#define FL_EDICT_ALWAYS (1 << 3)    // always transmitted
#define FL_EDICT_DONTSEND (1 << 4)  // never transmitted
#define FL_EDICT_PVSCHECK (1 << 5)  // transmitted when in the receiver's view set
