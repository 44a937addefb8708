// Player movement ("GameMovement001"); the movement code fills it in.
#pragma once

#include <igamemovement.h>

class GameMovement final : public IGameMovement {
public:
    void ProcessMovement(CBasePlayer* player, CMoveData* move) override;
    const Vector& GetPlayerMins(bool ducked) const override;
    const Vector& GetPlayerMaxs(bool ducked) const override;
    const Vector& GetPlayerViewOffset(bool ducked) const override;
};
