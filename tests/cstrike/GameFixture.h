// A game without the engine: edicts from a fake engine, a game clock the
// test advances tick by tick, the rules, and every event and text they send.
#pragma once

#include <gtest/gtest.h>

#include <shareddefs.h>

#include <string>
#include <utility>
#include <vector>

#include "CSGameRules.h"
#include "CSPlayer.h"
#include "EntityList.h"
#include "FakeEngine.h"

class EventRecorder : public cstrike::IGameEventSink, public cstrike::IPlayerMessages {
public:
    void FireGameEvent(const cstrike::GameEvent& event) override {
        events.push_back(event);
        if (onEvent) {
            onEvent(event);
        }
    }
    void TextToAll(int destination, const char* text) override {
        texts.emplace_back(destination, text);
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const cstrike::GameEvent& event : events) {
            names.push_back(event.GetName());
        }
        return names;
    }
    int Count(const std::string& name) const {
        int count = 0;
        for (const cstrike::GameEvent& event : events) {
            count += event.GetName() == name;
        }
        return count;
    }
    const cstrike::GameEvent* Last(const std::string& name) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it) {
            if (it->GetName() == name) {
                return &*it;
            }
        }
        return nullptr;
    }

    std::vector<cstrike::GameEvent> events;
    std::vector<std::pair<int, std::string>> texts;
    std::function<void(const cstrike::GameEvent&)> onEvent;
};

class GameFixture : public ::testing::Test {
protected:
    GameFixture() { globals.interval_per_tick = 0.015f; }

    CCSPlayer* AddPlayer(int index, int team) {
        CCSPlayer* player =
            rules.ClientPutInServer(engine.ConnectClient(index), 100 + index,
                                    ("player" + std::to_string(index)).c_str(), "STEAM_0:1:1");
        rules.JoinTeam(player, team);
        return player;
    }

    // Runs the rules for that much game time, one think per tick.
    void Advance(float seconds) {
        const int ticks = static_cast<int>(seconds / globals.interval_per_tick + 0.5f);
        for (int i = 0; i < ticks; ++i) {
            ++globals.tickcount;
            globals.curtime = static_cast<float>(globals.tickcount) * globals.interval_per_tick;
            rules.Think();
        }
    }

    // Both sides have players: past the "Game Commencing" round end and its
    // restart, to the next think.
    void Commence() {
        Advance(0.03f + cstrike::CSGameRules::kCommencingDelay);
        ASSERT_EQ(rules.Phase(), rules.Settings().freezeTime > 0.0f
                                     ? cstrike::RoundPhase::FreezeTime
                                     : cstrike::RoundPhase::Playing);
    }

    void EndFreezeTime() {
        Advance(rules.Settings().freezeTime + globals.interval_per_tick);
        ASSERT_EQ(rules.Phase(), cstrike::RoundPhase::Playing);
    }

    FakeEngine engine;
    CGlobalVars globals;
    cstrike::EntityList entities{engine};
    EventRecorder recorder;
    cstrike::CSGameRules rules{entities, globals, recorder, recorder};
};
