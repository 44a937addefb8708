// The table searches behind every entity field the plug-in reads, on tables
// shaped like the game's: nested send tables and data maps with base maps,
// embedded maps and unnamed entries.
#include <datamap.h>
#include <dt_send.h>
#include <gtest/gtest.h>

#include "core/InternalVarAccessor.h"

namespace {

SendProp Prop(const char* name, int offset, SendTable* nested = nullptr) {
    SendProp prop;
    prop.m_pVarName = name;
    prop.m_Offset = offset;
    prop.m_pDataTable = nested;
    prop.m_Type = nested ? DPT_DataTable : DPT_Int;
    return prop;
}

typedescription_t Field(const char* name, int offset, datamap_t* embedded = nullptr) {
    typedescription_t field;
    field.fieldName = name;
    field.fieldOffset[TD_OFFSET_NORMAL] = offset;
    field.td = embedded;
    field.fieldType = embedded ? FIELD_EMBEDDED : FIELD_INTEGER;
    return field;
}

}  // namespace

TEST(InternalVarAccessorUnit, SendPropSearchGoesDepthFirstAndKeepsTheNestedOffset) {
    SendProp innermost[] = {Prop("m_flFlashDuration", 900)};
    SendTable innermostTable{innermost, 1, "DT_Innermost"};
    SendProp local[] = {Prop("m_iAccount", 700), Prop("inner", 40, &innermostTable)};
    SendTable localTable{local, 2, "DT_Local"};
    // A later property of the same name must lose to the nested one.
    SendProp player[] = {Prop("m_fFlags", 100), Prop("local", 500, &localTable),
                         Prop("m_flFlashDuration", 64)};
    SendTable playerTable{player, 3, "DT_Player"};

    SendProp* flash = InternalVarAccessor::FindSendProp(&playerTable, "m_flFlashDuration");
    ASSERT_NE(flash, nullptr);
    EXPECT_EQ(flash->GetOffset(), 900);  // its own, not added to 500 + 40
    ASSERT_NE(InternalVarAccessor::FindSendProp(&playerTable, "m_iAccount"), nullptr);
    EXPECT_EQ(InternalVarAccessor::FindSendProp(&playerTable, "m_iAccount")->GetOffset(), 700);
    EXPECT_EQ(InternalVarAccessor::FindSendProp(&playerTable, "m_iaccount"), nullptr);
    EXPECT_EQ(InternalVarAccessor::FindSendProp(&playerTable, "missing"), nullptr);
    EXPECT_EQ(InternalVarAccessor::FindSendProp(nullptr, "m_fFlags"), nullptr);
}

TEST(InternalVarAccessorUnit, DataMapSearchWalksBaseMapsAndEmbeddedMaps) {
    typedescription_t embedded[] = {Field("m_vecVelocity", 320)};
    datamap_t embeddedMap{embedded, 1, "embedded", nullptr};
    typedescription_t base[] = {Field("m_vecAbsOrigin", 12), Field("m_hMoveChild", 48)};
    datamap_t baseMap{base, 2, "CBaseEntity", nullptr};
    typedescription_t unnamed;  // an input binding: no name, skipped
    unnamed.fieldType = FIELD_INPUT;
    typedescription_t derived[] = {unnamed, Field("m_local", 300, &embeddedMap),
                                   Field("m_fLerpTime", 640)};
    datamap_t derivedMap{derived, 3, "CCSPlayer", &baseMap};

    EXPECT_EQ(InternalVarAccessor::FindInDataMap(&derivedMap, "m_fLerpTime"), 640);
    EXPECT_EQ(InternalVarAccessor::FindInDataMap(&derivedMap, "m_vecVelocity"), 320);
    EXPECT_EQ(InternalVarAccessor::FindInDataMap(&derivedMap, "m_hMoveChild"), 48);
    EXPECT_EQ(InternalVarAccessor::FindInDataMap(&derivedMap, "m_flSpeed"), 0);
    EXPECT_EQ(InternalVarAccessor::FindInDataMap(nullptr, "m_fLerpTime"), 0);
}

TEST(InternalVarAccessorUnit, AFieldAtOffsetZeroCountsAsNotFound) {
    typedescription_t fields[] = {Field("m_first", 0), Field("m_second", 8)};
    datamap_t map{fields, 2, "CThing", nullptr};
    EXPECT_EQ(InternalVarAccessor::FindInDataMap(&map, "m_first"), 0);
    EXPECT_EQ(InternalVarAccessor::FindInDataMap(&map, "m_second"), 8);
}

TEST(InternalVarAccessorUnit, AnEmbeddedMapWithoutTheFieldLetsTheSearchGoOn) {
    typedescription_t embedded[] = {Field("m_other", 16)};
    datamap_t embeddedMap{embedded, 1, "embedded", nullptr};
    typedescription_t fields[] = {Field("m_collision", 200, &embeddedMap), Field("m_flSpeed", 96)};
    datamap_t map{fields, 2, "CBasePlayer", nullptr};
    EXPECT_EQ(InternalVarAccessor::FindInDataMap(&map, "m_flSpeed"), 96);
}
