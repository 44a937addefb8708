#include "ServerClasses.h"

#include <server_class.h>

#include <cmath>
#include <cstring>

#include "CSPlayer.h"
#include "CSTeam.h"
#include "PlantedC4.h"

namespace cstrike {

namespace {

struct ClassList {
    ServerClass classes[7];

    ClassList()
        : classes{
              {"CWeaponCSBase", CBaseCombatWeapon::ClassSendTable()},
              {"CPlantedC4", CPlantedC4::ClassSendTable()},
              {"CBaseEntity", CBaseEntity::ClassSendTable()},
              {"CBaseCombatCharacter", CBaseCombatCharacter::ClassSendTable()},
              {"CBasePlayer", CBasePlayer::ClassSendTable()},
              {"CCSPlayer", CCSPlayer::ClassSendTable()},
              {"CCSTeam", CCSTeam::ClassSendTable()},
          } {
        for (int i = 0; i < static_cast<int>(std::size(classes)); ++i) {
            classes[i].m_ClassID = i;
            classes[i].m_pNext =
                i + 1 < static_cast<int>(std::size(classes)) ? &classes[i + 1] : nullptr;
        }
    }
};

ClassList& TheClassList() {
    static ClassList list;
    return list;
}

}  // namespace

ServerClass* GetAllServerClasses() {
    return &TheClassList().classes[0];
}

ServerClass* FindServerClass(const char* name) {
    for (ServerClass* c = GetAllServerClasses(); c && name; c = c->m_pNext) {
        if (std::strcmp(c->GetName(), name) == 0) {
            return c;
        }
    }
    return nullptr;
}

float GameTickInterval(float requestedRate) {
    if (!(requestedRate >= 10.0f && requestedRate <= 1000.0f)) {
        return kDefaultTickInterval;
    }
    return 1.0f / requestedRate;
}

}  // namespace cstrike
