// A team as the game networks it ("cs_team_manager", one per team number):
// its number, name and score (rounds won). Tools that want the scores find
// these entities and read m_iScore through the class's send table.
#pragma once

#include "BaseEntity.h"

class CCSTeam : public CBaseEntity {
public:
    SDK_DELETING_DESTRUCTOR(CCSTeam)
    static constexpr int kNameLength = 32;

    CCSTeam(int teamNumber, const char* name);

    ServerClass* GetServerClass() override;
    static SendTable* ClassSendTable();

    const char* GetName() const { return m_szTeamname; }
    int GetScore() const { return m_iScore; }
    void SetScore(int score) { m_iScore = score; }

private:
    int m_iScore = 0;
    char m_szTeamname[kNameLength] = {};
};
