// Game events: listeners by name in the order added, events nobody hears,
// changes to the listener set while an event is delivered, and the
// engine's own events.
#include "SimServerTest.h"

namespace {

using Strings = std::vector<std::string>;

class Recorder final : public IGameEventListener2 {
public:
    Recorder(std::string name, Strings& log) : m_name(std::move(name)), m_log(log) {}
    void FireGameEvent(IGameEvent* event) override {
        m_log.push_back(m_name + ":" + event->GetName() + ":" + event->GetString("text", "-"));
        if (m_onFire)
            m_onFire();
    }
    std::function<void()> m_onFire;

private:
    std::string m_name;
    Strings& m_log;
};

class SrcdsSimEvents : public SimServerTest {
protected:
    void SetUp() override { StartServer("+map de_dust2"); }
    IGameEventManager2& Manager() { return server->Events(); }
    Strings log;
};

TEST_F(SrcdsSimEvents, ListenersHearTheirEventsInOrderServerSideFirst) {
    Recorder client("client", log), first("first", log), second("second", log);
    EXPECT_TRUE(Manager().AddListener(&client, "player_say", false));
    EXPECT_TRUE(Manager().AddListener(&first, "player_say", true));
    EXPECT_TRUE(Manager().AddListener(&second, "player_say", true));
    EXPECT_TRUE(Manager().AddListener(&second, "player_say", true)) << "kept once";
    EXPECT_FALSE(Manager().AddListener(&first, "no_such_event", true));
    IGameEvent* event = Manager().CreateEvent("player_say", false);
    ASSERT_NE(event, nullptr);
    event->SetString("text", "!ready");
    event->SetInt("userid", 7);
    EXPECT_TRUE(Manager().FireEvent(event, false));
    EXPECT_EQ(log, (Strings{"first:player_say:!ready", "second:player_say:!ready",
                            "client:player_say:!ready"}));
    Manager().RemoveListener(&first);
    Manager().RemoveListener(&second);
    Manager().RemoveListener(&client);
}

TEST_F(SrcdsSimEvents, AnEventNobodyHearsIsNotCreatedUnlessForced) {
    EXPECT_EQ(Manager().CreateEvent("round_start", false), nullptr);
    IGameEvent* forced = Manager().CreateEvent("round_start", true);
    ASSERT_NE(forced, nullptr);
    Manager().FreeEvent(forced);
    EXPECT_EQ(Manager().CreateEvent("not_an_event", true), nullptr);
    Connect("alice");
    IGameEvent* heard = Manager().CreateEvent("round_start", false);
    EXPECT_NE(heard, nullptr) << "a human client listens";
    Manager().FreeEvent(heard);
}

TEST_F(SrcdsSimEvents, ValuesReadBackAsAnyTypeWithDefaults) {
    Connect("alice");
    IGameEvent* event = Manager().CreateEvent("player_hurt", false);
    event->SetInt("health", 42);
    event->SetFloat("dmg", 1.5f);
    EXPECT_EQ(event->GetInt("health"), 42);
    EXPECT_STREQ(event->GetString("health"), "42");
    EXPECT_FLOAT_EQ(event->GetFloat("dmg"), 1.5f);
    EXPECT_EQ(event->GetInt("missing", -3), -3);
    EXPECT_STREQ(event->GetString("missing"), "");
    EXPECT_TRUE(event->IsEmpty("missing"));
    EXPECT_FALSE(event->IsEmpty("health"));
    Manager().FreeEvent(event);
}

TEST_F(SrcdsSimEvents, AListenerMayRemoveAnotherWhileAnEventIsDelivered) {
    Recorder first("first", log), second("second", log);
    first.m_onFire = [&] { Manager().RemoveListener(&second); };
    Manager().AddListener(&first, "round_end", true);
    Manager().AddListener(&second, "round_end", true);
    Manager().FireEvent(Manager().CreateEvent("round_end", false), false);
    EXPECT_EQ(log, (Strings{"first:round_end:-"}));
    Manager().RemoveListener(&first);
}

TEST_F(SrcdsSimEvents, FiringForeignOrNullEventsIsRefused) {
    EXPECT_FALSE(Manager().FireEvent(nullptr, false));
    sim::GameEvent stranger("round_start");
    EXPECT_FALSE(Manager().FireEvent(&stranger, false));
}

TEST_F(SrcdsSimEvents, TheLevelStartFiresServerSpawnWithTheServersAddress) {
    const auto spawns = Events("server_spawn");
    ASSERT_EQ(spawns.size(), 1u);
    EXPECT_EQ(spawns[0].values.at("mapname"), "de_dust2");
    // Without -port the sim listens on a free port, and says which.
    const std::string port = std::to_string(server->Net().Port());
    EXPECT_EQ(spawns[0].values.at("address"), "127.0.0.1:" + port);
    EXPECT_EQ(spawns[0].values.at("port"), port);
    EXPECT_EQ(spawns[0].values.at("game"), "cstrike");
}

}  // namespace
