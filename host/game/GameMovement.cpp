#include "game/GameMovement.h"

#include "game/Game.h"

void GameMovement::ProcessMovement(CBasePlayer*, CMoveData*) {}

const Vector& GameMovement::GetPlayerMins(bool ducked) const {
    static const Vector standing(-16.0f, -16.0f, 0.0f);
    static const Vector crouching(-16.0f, -16.0f, 0.0f);
    return ducked ? crouching : standing;
}

const Vector& GameMovement::GetPlayerMaxs(bool ducked) const {
    static const Vector standing(16.0f, 16.0f, 72.0f);
    static const Vector crouching(16.0f, 16.0f, 54.0f);
    return ducked ? crouching : standing;
}

const Vector& GameMovement::GetPlayerViewOffset(bool ducked) const {
    static const Vector standing(0.0f, 0.0f, 64.0f);
    static const Vector crouching(0.0f, 0.0f, 46.0f);
    return ducked ? crouching : standing;
}
