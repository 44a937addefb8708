// The game library's console variables; those the rules read are passed
// on to them whenever they change.
#pragma once

class GameCvars {
public:
    // Gives the rules the current values (at initialisation).
    static void ApplyToRules();
};
