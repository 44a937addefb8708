// Game events reach the engine's event manager with every field and type.
#include <gtest/gtest.h>

#include <igameevents.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "GameEventManagerSink.h"

namespace {

class RecordedEvent : public IGameEvent {
public:
    explicit RecordedEvent(std::string name) : name(std::move(name)) {}
    const char* GetName() const override { return name.c_str(); }
    bool IsReliable() const override { return true; }
    bool IsLocal() const override { return false; }
    bool IsEmpty(const char* key) override { return key ? !values.count(key) : values.empty(); }
    bool GetBool(const char* key, bool d) override { return GetInt(key, d) != 0; }
    int GetInt(const char* key, int d) override {
        return values.count(key) ? std::stoi(values[key]) : d;
    }
    float GetFloat(const char* key, float d) override {
        return values.count(key) ? std::stof(values[key]) : d;
    }
    const char* GetString(const char* key, const char* d) override {
        return values.count(key) ? values[key].c_str() : d;
    }
    void SetBool(const char* key, bool v) override { Set(key, v ? "1" : "0", "bool"); }
    void SetInt(const char* key, int v) override { Set(key, std::to_string(v), "int"); }
    void SetFloat(const char* key, float v) override { Set(key, std::to_string(v), "float"); }
    void SetString(const char* key, const char* v) override { Set(key, v, "string"); }

    std::string name;
    std::map<std::string, std::string> values;
    std::map<std::string, std::string> types;

private:
    void Set(const char* key, const std::string& value, const char* type) {
        values[key] = value;
        types[key] = type;
    }
};

class RecordingManager : public IGameEventManager2 {
public:
    int LoadEventsFromFile(const char*) override { return 0; }
    void Reset() override {}
    bool AddListener(IGameEventListener2*, const char*, bool) override { return true; }
    bool FindListener(IGameEventListener2*, const char*) override { return false; }
    IGameEvent* CreateEvent(const char* name, bool) override {
        if (!heard.count(name)) {
            return nullptr;
        }
        return new RecordedEvent(name);
    }
    bool FireEvent(IGameEvent* event, bool) override {
        fired.emplace_back(static_cast<RecordedEvent*>(event));
        return true;
    }
    bool FireEventClientSide(IGameEvent* event) override { return FireEvent(event, false); }
    IGameEvent* DuplicateEvent(IGameEvent*) override { return nullptr; }
    void FreeEvent(IGameEvent* event) override { delete event; }
    void RemoveListener(IGameEventListener2*) override {}

    std::set<std::string> heard;
    std::vector<std::unique_ptr<RecordedEvent>> fired;
};

TEST(SrcdsSimGameEventSink, FieldsKeepTheirTypesAndUnheardEventsAreNotMade) {
    RecordingManager manager;
    manager.heard = {"player_death"};
    cstrike::GameEventManagerSink sink(manager);
    cstrike::GameEvent death("player_death");
    death.SetInt("userid", 7)
        .SetInt("attacker", 9)
        .SetString("weapon", "awp")
        .SetBool("headshot", true);
    death.SetFloat("distance", 2.5f);
    sink.FireGameEvent(death);
    sink.FireGameEvent(cstrike::GameEvent("round_start"));

    ASSERT_EQ(manager.fired.size(), 1u);
    RecordedEvent& fired = *manager.fired[0];
    EXPECT_EQ(fired.name, "player_death");
    EXPECT_EQ(fired.GetInt("userid", 0), 7);
    EXPECT_STREQ(fired.GetString("weapon", ""), "awp");
    EXPECT_TRUE(fired.GetBool("headshot", false));
    EXPECT_EQ(fired.types["headshot"], "bool");
    EXPECT_EQ(fired.types["distance"], "float");
    EXPECT_EQ(fired.types["attacker"], "int");
}

TEST(SrcdsSimGameEventSink, GameEventValuesConvertSafely) {
    cstrike::GameEvent event("e");
    event.SetFloat("big", 1e30f).SetFloat("small", 2.9f).SetString("text", "12").SetInt("n", 3);
    event.SetInt("n", 4);  // a second set replaces the first
    EXPECT_EQ(event.Fields().size(), 4u);
    EXPECT_EQ(event.GetInt("big", -1), -1);
    EXPECT_EQ(event.GetInt("small"), 2);
    EXPECT_EQ(event.GetInt("text", -1), -1);
    EXPECT_EQ(event.GetString("n"), "4");
    EXPECT_EQ(event.GetInt("missing", 5), 5);
    EXPECT_FALSE(event.Has("missing"));
}

}  // namespace
