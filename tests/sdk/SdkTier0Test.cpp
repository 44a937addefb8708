// tier0: the output sink, the command line and the input/output hook table.
#include <gtest/gtest.h>
#include <tier0/dbg.h>
#include <tier0/icommandline.h>
#include <tier0/vcr.h>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <string>

#include "SpewCapture.h"

namespace {

TEST(SdkTier0, SinkReceivesEveryKindWithTypeAndColor) {
    SpewCapture spew;
    Msg("%d-%s\n", 5, "x");
    Warning("careful %s\n", "now");
    DevMsg("dev\n");
    ConMsg("con\n");
    ConColorMsg(Color(1, 2, 3), "colour %i\n", 4);
    ASSERT_EQ(spew.Lines().size(), 5u);
    EXPECT_EQ(spew.Text(SPEW_MESSAGE), "5-x\ncon\ncolour 4\n");
    EXPECT_EQ(spew.Text(SPEW_WARNING), "careful now\n");
    EXPECT_EQ(spew.Text(SPEW_DEVELOPER), "dev\n");
    EXPECT_EQ(spew.Lines()[4].color, Color(1, 2, 3));
}

TEST(SdkTier0, LongMessagesAreNotCut) {
    SpewCapture spew;
    const std::string text(10000, 'm');
    Msg("%s|%s", text.c_str(), text.c_str());
    ASSERT_EQ(spew.Lines().size(), 1u);
    EXPECT_EQ(spew.Lines()[0].text, text + "|" + text);
}

TEST(SdkTier0, InstallingReturnsThePreviousSinkAndNullRestoresTheDefault) {
    const SpewOutputFunc_t original = GetSpewOutputFunc();
    {
        SpewCapture spew;
        EXPECT_NE(GetSpewOutputFunc(), original);
    }
    EXPECT_EQ(GetSpewOutputFunc(), original);
    EXPECT_EQ(SpewOutputFunc(nullptr), original);
    EXPECT_EQ(GetSpewOutputFunc(), DefaultSpewOutputFunc);
}

class SdkTier0CommandLine : public ::testing::Test {
protected:
    void TearDown() override { CommandLine_Tier0()->CreateCmdLine(""); }
    ICommandLine* line = CommandLine_Tier0();
};

TEST_F(SdkTier0CommandLine, ParametersAndTheirValues) {
    line->CreateCmdLine(
        "./srcds_linux -game cstrike +maxplayers 24 -tickrate 66.5 -insecure +map \"de dust2\"");
    EXPECT_GT(line->FindParm("-insecure"), 0);
    EXPECT_GT(line->FindParm("-INSECURE"), 0);
    EXPECT_EQ(line->FindParm("-secure"), 0);
    EXPECT_EQ(line->FindParm("./srcds_linux"), 0);  // the program is not a parameter
    EXPECT_EQ(line->ParmValue("+maxplayers", 0), 24);
    EXPECT_EQ(line->ParmValue("-tickrate", 0.0f), 66.5f);
    EXPECT_STREQ(line->ParmValue("-game"), "cstrike");
    EXPECT_STREQ(line->ParmValue("+map"), "de dust2");
    // A parameter followed by another parameter has no value.
    EXPECT_STREQ(line->ParmValue("-insecure", "none"), "none");
    EXPECT_EQ(line->ParmValue("-missing", 7), 7);
    const char* value = nullptr;
    EXPECT_STREQ(line->CheckParm("-game", &value), "-game");
    EXPECT_STREQ(value, "cstrike");
    EXPECT_STREQ(line->GetParm(line->ParmCount()), "");
}

TEST_F(SdkTier0CommandLine, EmptyAndArgvLines) {
    line->CreateCmdLine(static_cast<const char*>(nullptr));
    EXPECT_STREQ(line->GetCmdLine(), "");
    EXPECT_EQ(line->FindParm("-insecure"), 0);

    char program[] = "srcds", parm[] = "+hostname", value[] = "my server";
    char* argv[] = {program, parm, value};
    line->CreateCmdLine(3, argv);
    EXPECT_STREQ(line->ParmValue("+hostname"), "my server");
    EXPECT_STREQ(line->GetCmdLine(), "srcds +hostname \"my server\"");
}

TEST(SdkTier0, ReceiveEntryIsTheTwelfthPointer) {
    auto* entries = reinterpret_cast<void**>(g_pVCR);
    EXPECT_EQ(entries[11], reinterpret_cast<void*>(g_pVCR->Hook_recvfrom));
    EXPECT_EQ(entries[10], reinterpret_cast<void*>(g_pVCR->Hook_sendto));
}

int s_hookedReads = 0;
decltype(VCR_t::Hook_recvfrom) s_savedRecv = nullptr;

int CountingRecv(int s, char* buf, int len, int flags, sockaddr* from, int* fromlen) {
    ++s_hookedReads;
    return s_savedRecv(s, buf, len, flags, from, fromlen);
}

TEST(SdkTier0, DefaultReceiveReadsRealDatagramsAndCanBeReplaced) {
#ifdef _WIN32
    // The server starts Winsock before it opens its socket; so does the test.
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
#endif
    const int sock = g_pVCR->Hook_socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(g_pVCR->Hook_bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    socklen_t length = sizeof(addr);
#ifdef _WIN32
    ASSERT_EQ(getsockname(static_cast<SOCKET>(sock), reinterpret_cast<sockaddr*>(&addr), &length),
              0);
#else
    ASSERT_EQ(getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &length), 0);
#endif
    auto* to = reinterpret_cast<const sockaddr*>(&addr);

    ASSERT_EQ(g_pVCR->Hook_sendto(sock, "\xff\xff\xff\xffU", 5, 0, to, sizeof(addr)), 5);
    ASSERT_EQ(g_pVCR->Hook_sendto(sock, "", 0, 0, to, sizeof(addr)), 0);

    s_savedRecv = g_pVCR->Hook_recvfrom;
    g_pVCR->Hook_recvfrom = CountingRecv;
    char buffer[64];
    sockaddr_in from{};
    int fromLength = sizeof(from);
    const int first = g_pVCR->Hook_recvfrom(sock, buffer, sizeof(buffer), 0,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
    const int second = g_pVCR->Hook_recvfrom(sock, buffer, sizeof(buffer), 0, nullptr, nullptr);
    g_pVCR->Hook_recvfrom = s_savedRecv;

    EXPECT_EQ(first, 5);
    EXPECT_EQ(std::string(buffer, 5), "\xff\xff\xff\xffU");
    EXPECT_EQ(fromLength, static_cast<int>(sizeof(from)));
    EXPECT_EQ(from.sin_port, addr.sin_port);
    EXPECT_EQ(second, 0);  // the empty datagram
    EXPECT_EQ(s_hookedReads, 2);
    g_pVCR->Hook_closesocket(sock);
#ifdef _WIN32
    WSACleanup();
#endif
}

}  // namespace
