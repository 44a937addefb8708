// Real HTTP servers on 127.0.0.1 for the tests of the plug-in's HTTP
// clients (auth host, updater): a good one and the bad ones a league or an
// update server may turn out to be. Each listens on an ephemeral port from
// construction, serves one connection after another on its own thread, and
// stops (closing every socket) on destruction.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testnet {

// A socket: a descriptor on Linux, a Winsock handle on Windows.
#ifdef _WIN32
using Socket = std::uintptr_t;
#else
using Socket = int;
#endif

enum class Behaviour {
    Answer,   // reads the request, answers 200 with the body, closes
    Silent,   // reads the request and never answers (keeps the connection)
    Trickle,  // answers 200 with a Content-Length, then the body one byte a second
    Reset,    // reads the request and resets the connection
    Flood,    // answers 200 without a length and sends floodBytes of body
};

class TestHttpServer {
public:
    explicit TestHttpServer(Behaviour behaviour, std::string body = "");
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return m_Port; }
    // "http://127.0.0.1:PORT" + path.
    std::string Url(const std::string& path = "/") const;

    // The answer of later connections.
    void SetBody(const std::string& body);
    // The answer of later requests whose path starts with pathPrefix (the
    // first such prefix set wins), instead of the body.
    void SetBodyFor(const std::string& pathPrefix, const std::string& body);
    // The status line's tail ("200 OK") and extra head lines, each ending
    // "\r\n", of later answers.
    void SetStatus(const std::string& status, const std::string& extraHead = "");
    // Body bytes a Flood server sends (default 1 MiB).
    void SetFloodBytes(std::size_t bytes);

    // Waits, at most `limit`, until `count` requests were read in whole /
    // `count` answers were sent in whole (and their connections closed).
    bool WaitForRequests(int count, std::chrono::milliseconds limit);
    bool WaitForAnswers(int count, std::chrono::milliseconds limit);
    // Waits, at most `limit`, for the server's next step (a connection,
    // a request, a piece of an answer sent).
    void WaitForActivity(std::chrono::milliseconds limit);
    // Connections whose request was read / accepted so far.
    int Requests() const;
    int Accepted() const;
    // The raw request texts read so far (head and body), oldest first.
    std::vector<std::string> RequestTexts() const;
    // Bytes of body a Flood or Trickle server managed to send.
    std::size_t BodyBytesSent() const;

private:
    void Serve();
    void Handle(Socket fd);
    bool ReadRequest(Socket fd);
    std::string Head(const std::string& lengthLine) const;
    // Waits on the stop signal, at most `limit`; true when told to stop.
    bool StopWait(std::chrono::milliseconds limit);
    // Counts a step (under the lock) and wakes the waiters.
    void Step();

    Behaviour m_Behaviour;
    Socket m_Listen;
    int m_Port = 0;
    // Readable once the server stops: a pipe's end on Linux, a UDP socket
    // on Windows (whose poll takes sockets only) that is sent a datagram.
    Socket m_StopRead;
#ifndef _WIN32
    int m_StopWrite = -1;
#endif
    std::vector<Socket> m_Held;  // connections a Silent server keeps open
    mutable std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::string m_Body;
    std::vector<std::pair<std::string, std::string>> m_Routes;
    std::string m_Status = "200 OK";
    std::string m_ExtraHead;
    std::size_t m_FloodBytes = 1 << 20;
    std::vector<std::string> m_Requests;
    int m_Accepted = 0;
    int m_Answers = 0;
    std::size_t m_BodySent = 0;
    bool m_Stop = false;
    unsigned m_Steps = 0;  // counts every step WaitForActivity waits for
    std::thread m_Thread;
};

// A port on 127.0.0.1 where nothing listens: bound once, then closed.
int ClosedPort();

// The process's open file descriptors (on Windows: its open sockets, which
// is what a client may leave open there): what a client left open shows here.
int OpenDescriptors();

// True in a Windows program that runs under Wine, whose system libraries
// differ from Windows' in ways a few checks must allow for.
bool RunsUnderWine();

}  // namespace testnet
