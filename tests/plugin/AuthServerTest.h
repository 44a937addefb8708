// The auth host's feature suites: a war-mode server on srcds-sim whose
// travik talks to real league servers on 127.0.0.1. The process's wall clock
// is faked, and moves on with every simulated frame, so a silent league host
// runs out of time after 15 s of frames.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "TestHttpServer.h"
#include "TravikServerTest.h"
#include "engine/WallClock.h"
#include "support/base64.h"

class AuthServerTest : public TravikServerTest {
protected:
    void SetUp() override { sim::WallClock::Set(1.7e9); }
    void TearDown() override { sim::WallClock::Clear(); }

    // travik with war mode on and these lines after it in travik.cfg.
    void StartWarServer(const std::string& config) {
        InstallTravik();
        WriteConfig("tk_warmode 1\n" + config);
        StartServer();
        SettleStartUp();
    }

    static std::string Field(const std::string& text) {
        return base64_encode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    }

    // A player whose Steam ID is valid at once.
    sim::Client& Player(const std::string& name, const std::string& steamId) {
        return Connect(name, [&](sim::ClientSpec& spec) {
            spec.validateAfter = 0.0;
            spec.steamId = steamId;
        });
    }

    // Frames in steps of 0.1 s of game time until `done`. With a league
    // server, which answers in real time, it waits at most a minute of real
    // time, between steps (at most 5 ms) for the league's next step, never
    // for the plug-in; the faked wall clock stands still meanwhile, so that a
    // loaded machine never runs a transfer into its time-out. Without one it
    // runs at most `steps` steps and the wall clock moves on with the frames,
    // as the tests of time-outs need. Records the longest single frame.
    bool RunUntil(const std::function<bool()>& done, testnet::TestHttpServer* league,
                  int steps = 600) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        for (int i = 0; league ? std::chrono::steady_clock::now() < deadline : i < steps; ++i) {
            if (done())
                return true;
            const double wall = sim::WallClock::FakeNow();
            for (int tick = 0; tick < 7; ++tick) {
                const auto before = std::chrono::steady_clock::now();
                server->RunFrame();
                longestFrame = std::max(longestFrame, std::chrono::steady_clock::now() - before);
            }
            if (league) {
                sim::WallClock::Set(wall);
                league->WaitForActivity(std::chrono::milliseconds(5));
            }
        }
        return done();
    }

    static bool ChatHas(const sim::Client& client, const std::string& line) {
        const std::vector<std::string> chat = ChatOf(client);
        return std::find(chat.begin(), chat.end(), line) != chat.end();
    }

    std::chrono::steady_clock::duration longestFrame{};
};
