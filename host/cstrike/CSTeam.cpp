#include "CSTeam.h"

#include <cstring>

#include "ServerClasses.h"
#include "TableBuilder.h"

using cstrike::FieldOffset;
using cstrike::SendPropField;

CCSTeam::CCSTeam(int teamNumber, const char* name) : CBaseEntity("cs_team_manager") {
    ChangeTeamNumber(teamNumber);
    std::strncpy(m_szTeamname, name ? name : "", kNameLength - 1);
}

ServerClass* CCSTeam::GetServerClass() {
    static ServerClass* const serverClass = cstrike::FindServerClass("CCSTeam");
    return serverClass;
}

SendTable* CCSTeam::ClassSendTable() {
    // The team number is the entity's own; the team table names it again.
    static SendProp teamProps[] = {
        SendPropField("m_iTeamNum", DPT_Int, FieldOffset(&CCSTeam::m_iTeamNum), 6),
        SendPropField("m_iScore", DPT_Int, FieldOffset(&CCSTeam::m_iScore)),
        SendPropField("m_szTeamname", DPT_String, FieldOffset(&CCSTeam::m_szTeamname), 0),
    };
    static SendTable teamTable = cstrike::MakeSendTable(teamProps, "DT_Team");
    static SendProp props[] = {
        cstrike::SendPropTable("baseclass", 0, &teamTable),
    };
    static SendTable table = cstrike::MakeSendTable(props, "DT_CSTeam");
    return &table;
}
