// The game library's console variables. The rules read theirs through this
// each time they use one, as the game does: a plug-in that holds a
// variable's single change callback must not keep a change from the rules.
#pragma once

#include "cstrike/CSGameRules.h"

class GameCvars final : public cstrike::IRulesSettingsSource {
public:
    void Read(cstrike::RulesSettings& settings) override;
    // mp_restartgame, seen by the rules' next think: its seconds, and the
    // variable goes back to 0.
    int TakeRestartRequest() override;
    static bool AllTalk();
};
