// "tk_netinfo": every real player's rates as the server grants them.
#include "TravikServerTest.h"

namespace {

class NetInfoFeature : public TravikServerTest {
protected:
    void SetUp() override {
        InstallTravik();
        StartServer();
    }
};

TEST_F(NetInfoFeature, TheTableShowsEachRealPlayersEffectiveSettings) {
    for (const char* line : {"sv_minrate 3500", "sv_maxrate 0", "sv_mincmdrate 10",
                             "sv_maxcmdrate 66", "sv_minupdaterate 10", "sv_maxupdaterate 66",
                             "sv_client_cmdrate_difference 0", "sv_client_predict 1"}) {
        Console(line);
    }
    sim::Client& alice = Connect("alice", [](sim::ClientSpec& spec) {
        spec.steamId = "STEAM_0:1:777";
        spec.cvars = {{"rate", "500"},       {"cl_cmdrate", "101"}, {"cl_updaterate", "20"},
                      {"cl_interp", "0.05"}, {"cl_predict", "0"},   {"cl_lagcompensation", "0"}};
    });
    AddBot("bot");
    server->Clients().AddFakeClient("SourceTV", sim::ClientKind::SourceTV);
    Connect("bob", [](sim::ClientSpec& spec) { spec.steamId = "STEAM_0:0:42"; });
    alice.GetInbox().Clear();
    ClientLine(alice, "tk_netinfo");
    EXPECT_EQ(
        ClientConsole(alice),
        "\nTravik Client Net Settings:\n"
        "UID  | Name                       | Steam ID     | Rate/Cmd/Upd  | Interp | Pred | LC\n"
        "#2   | alice                      | 0:1:777      | 3500 /20 /20  | 0.050  | 1    | 0 \n"
        "#5   | bob                        | 0:0:42       | 30000/66 /66  | 0.100  | 1    | 1 \n");
}

}  // namespace
