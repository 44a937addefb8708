// The Windows side of HttpTransfer (WinHTTP) against real servers on
// 127.0.0.1: the same bounds as the libcurl side.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "net/HttpTransfer.h"

namespace {

using Outcome = HttpTransfer::Outcome;
using Failure = HttpTransfer::Failure;

// Answers one connection at a time with a fixed reply, or, when silent,
// reads the request and says nothing until it is destroyed.
class LoopbackServer {
public:
    explicit LoopbackServer(std::string reply, bool silent = false)
        : reply_(std::move(reply)), silent_(silent) {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "cannot listen on 127.0.0.1";
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        ::closesocket(listener_);
        thread_.join();
        ::WSACleanup();
    }

    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int Port() const { return port_; }
    std::string Requests() {
        std::lock_guard<std::mutex> hold(mutex_);
        return requests_;
    }
    int Count() const { return count_; }

private:
    void Serve() {
        while (!stop_) {
            SOCKET client = ::accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                return;
            }
            std::string request = ReadRequest(client);
            {
                std::lock_guard<std::mutex> hold(mutex_);
                requests_ += request;
            }
            ++count_;
            if (silent_) {
                while (!stop_) {
                    ::Sleep(5);
                }
            } else {
                ::send(client, reply_.data(), static_cast<int>(reply_.size()), 0);
            }
            ::shutdown(client, SD_SEND);
            ::closesocket(client);
        }
    }
    static std::string ReadRequest(SOCKET client) {
        std::string text;
        char buffer[4096];
        std::size_t wanted = std::string::npos;
        while (wanted == std::string::npos || text.size() < wanted) {
            const int got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                break;
            }
            text.append(buffer, static_cast<std::size_t>(got));
            const std::size_t end = text.find("\r\n\r\n");
            if (end != std::string::npos && wanted == std::string::npos) {
                std::size_t body = 0;
                std::string lower = text.substr(0, end);
                std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
                const std::size_t at = lower.find("content-length:");
                if (at != std::string::npos) {
                    body = std::stoul(lower.substr(at + 15));
                }
                wanted = end + 4 + body;
            }
        }
        return text;
    }

    std::string reply_;
    bool silent_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> count_{0};
    std::mutex mutex_;
    std::string requests_;
};

std::string Reply(const std::string& status, const std::string& body, bool announce = true) {
    return "HTTP/1.1 " + status + "\r\n" +
           (announce ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "") +
           "Connection: close\r\n\r\n" + body;
}

class HttpTransferWinHttp : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Polls until the transfer ends: at most 2000 polls, 5 ms apart, for
    // the network's real work; a poll itself must never wait for it.
    Outcome Drive() {
        for (int i = 0; i < 2000; ++i) {
            const auto before = std::chrono::steady_clock::now();
            const Outcome outcome = transfer.Poll();
            longestPoll = std::max(longestPoll, std::chrono::steady_clock::now() - before);
            if (outcome != Outcome::Running) {
                return outcome;
            }
            ::Sleep(5);
        }
        return Outcome::Running;
    }
    static HttpTransfer::Request Get(const std::string& url) {
        HttpTransfer::Request request;
        request.url = url;
        return request;
    }
    std::string Path(const std::string& name) {
        std::filesystem::create_directories(folder);
        return (folder / name).string();
    }

    std::filesystem::path folder = std::filesystem::temp_directory_path() / "tk_winhttp_test";
    HttpTransfer transfer;
    std::chrono::steady_clock::duration longestPoll{};
};

TEST_F(HttpTransferWinHttp, GetsABodyAndTakesAUrlWithoutSchemeAsHttp) {
    LoopbackServer server(Reply("200 OK", "N"));
    ASSERT_TRUE(transfer.Start(
        Get("127.0.0.1:" + std::to_string(server.Port()) + "/io/update.php?v=4.6&os=win")));
    EXPECT_TRUE(transfer.IsBusy());
    ASSERT_EQ(Drive(), Outcome::Succeeded) << transfer.GetError();
    EXPECT_EQ(transfer.GetBody(), "N");
    EXPECT_FALSE(transfer.IsBusy());
    EXPECT_EQ(transfer.Poll(), Outcome::Idle);
    const std::string request = server.Requests();
    EXPECT_EQ(request.rfind("GET /io/update.php?v=4.6&os=win HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("User-Agent: Travik\r\n"), std::string::npos) << request;
}

TEST_F(HttpTransferWinHttp, PostsTheFormAndReadsTheBodyWhateverTheStatus) {
    LoopbackServer server(Reply("500 Internal Server Error", "1,bm8="));
    HttpTransfer::Request request = Get(server.Url("/auth"));
    request.post = true;
    request.postBody = "uid=STEAM_0%3A1%3A2&ip=1.2.3.4";
    ASSERT_TRUE(transfer.Start(request));
    ASSERT_EQ(Drive(), Outcome::Succeeded) << transfer.GetError();
    EXPECT_EQ(transfer.GetBody(), "1,bm8=");
    const std::string seen = server.Requests();
    EXPECT_EQ(seen.rfind("POST /auth HTTP/1.1\r\n", 0), 0u) << seen;
    EXPECT_NE(seen.find("Content-Type: application/x-www-form-urlencoded\r\n"), std::string::npos);
    EXPECT_EQ(seen.substr(seen.size() - request.postBody.size()), request.postBody);
}

TEST_F(HttpTransferWinHttp, ABodyPastItsBoundFailsWhetherAnnouncedOrNot) {
    for (const bool announce : {true, false}) {
        LoopbackServer server(Reply("200 OK", std::string(100, 'x'), announce));
        HttpTransfer::Request request = Get(server.Url());
        request.maxBody = 99;
        ASSERT_TRUE(transfer.Start(request));
        EXPECT_EQ(Drive(), Outcome::Failed);
        EXPECT_EQ(transfer.GetFailure(), Failure::TooLarge) << transfer.GetError();
        EXPECT_LE(transfer.GetBody().size(), 99u);
    }
    LoopbackServer exact(Reply("200 OK", std::string(99, 'x')));
    HttpTransfer::Request request = Get(exact.Url());
    request.maxBody = 99;
    ASSERT_TRUE(transfer.Start(request));
    EXPECT_EQ(Drive(), Outcome::Succeeded) << transfer.GetError();
    EXPECT_EQ(transfer.GetBody().size(), 99u);
}

TEST_F(HttpTransferWinHttp, OnlyHttpIsFetchedAndRedirectsAreNotFollowed) {
    // Refused by the first poll, as libcurl refuses it: a failed transfer.
    for (const char* url : {"ftp://127.0.0.1/travik.dll", "file:///C:/windows/win.ini"}) {
        SCOPED_TRACE(url);
        ASSERT_TRUE(transfer.Start(Get(url)));
        EXPECT_EQ(Drive(), Outcome::Failed);
        EXPECT_EQ(transfer.GetFailure(), Failure::Transport);
        EXPECT_EQ(transfer.GetBody(), "");
        EXPECT_FALSE(transfer.IsBusy());
    }

    LoopbackServer target(Reply("200 OK", "moved here"));
    LoopbackServer redirect("HTTP/1.1 302 Found\r\nLocation: " + target.Url() +
                            "\r\nContent-Length: 13\r\nConnection: close\r\n\r\nsee elsewhere");
    ASSERT_TRUE(transfer.Start(Get(redirect.Url())));
    ASSERT_EQ(Drive(), Outcome::Succeeded) << transfer.GetError();
    EXPECT_EQ(transfer.GetBody(), "see elsewhere");
    EXPECT_EQ(target.Count(), 0);
}

TEST_F(HttpTransferWinHttp, ASilentServerTimesOutAndAClosedPortFails) {
    {
        LoopbackServer silent("", true);
        HttpTransfer::Request request = Get(silent.Url());
        request.timeoutMs = 300;
        ASSERT_TRUE(transfer.Start(request));
        EXPECT_EQ(Drive(), Outcome::Failed);
        EXPECT_EQ(transfer.GetFailure(), Failure::TimedOut) << transfer.GetError();
    }
    int closedPort = 0;
    {
        LoopbackServer gone(Reply("200 OK", "never"));
        closedPort = gone.Port();
    }
    ASSERT_TRUE(transfer.Start(Get("http://127.0.0.1:" + std::to_string(closedPort) + "/")));
    EXPECT_EQ(Drive(), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::Transport) << transfer.GetError();
    // Waiting is the server's frame's business: no poll held it.
    EXPECT_LT(longestPoll, std::chrono::milliseconds(1500));
}

// Dropping a transfer while WinHTTP waits on the server is the server's
// frame's business: it returns at once, whatever WinHTTP still does.
TEST_F(HttpTransferWinHttp, ATransferDroppedUnderWayHoldsNoFrame) {
    LoopbackServer silent("", true);  // serves one connection and keeps it
    ASSERT_TRUE(transfer.Start(Get(silent.Url())));
    for (int polls = 0; polls < 2000 && silent.Count() == 0; ++polls) {
        ASSERT_EQ(transfer.Poll(), Outcome::Running);
        ::Sleep(5);
    }
    ASSERT_EQ(silent.Count(), 1);
    const auto before = std::chrono::steady_clock::now();
    transfer.Cancel();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_FALSE(transfer.IsBusy());
}

TEST_F(HttpTransferWinHttp, AFileSinkKeepsOnlyAWholeDownload) {
    const std::string module = std::string("MZ\r\n\x1a\0", 6) + std::string(40000, 'm');
    LoopbackServer whole(Reply("200 OK", module));
    HttpTransfer::Request request = Get(whole.Url("/io/download.php"));
    request.filePath = Path("travik_new.dll");
    request.maxBody = 1 << 20;
    ASSERT_TRUE(transfer.Start(request));
    ASSERT_EQ(Drive(), Outcome::Succeeded) << transfer.GetError();
    std::ifstream in(request.filePath, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(), module);  // byte for byte: no text-mode translation
    in.close();

    LoopbackServer tooLarge(Reply("200 OK", module, false));
    request.url = tooLarge.Url("/io/download.php");
    request.filePath = Path("travik_partial.dll");
    request.maxBody = 1000;
    ASSERT_TRUE(transfer.Start(request));
    EXPECT_EQ(Drive(), Outcome::Failed);
    EXPECT_EQ(transfer.GetFailure(), Failure::TooLarge);
    EXPECT_FALSE(std::filesystem::exists(request.filePath));
}

}  // namespace
