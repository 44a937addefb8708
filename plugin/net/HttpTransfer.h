#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// One HTTP request at a time, run by libcurl's multi interface (in the
// Windows build by WinHTTP's asynchronous requests, whose callbacks only
// hand bytes over; see HttpTransferWinHttp.cpp) and advanced only from the
// server's frame: Start never waits for the network, Poll does
// the socket work that is ready and returns at once. What the plug-in asks of
// outside servers (the auth host, the update server) goes through here, so
// the bounds below hold for all of it:
//
// - only http and https, typed or redirected; redirects are not followed
//   (a 3xx answer is an answer like any other). A URL without a scheme is
//   taken as http. Any other scheme ends in a Transport failure.
// - the body is bounded: a larger one ends the transfer as TooLarge, into
//   memory or into a file alike.
// - the whole transfer is bounded in time on the wall clock the process
//   reads (time(), clock_gettime(CLOCK_REALTIME)), checked at every Poll, so
//   a host that fakes that clock decides when a silent server has had its
//   time; libcurl's own monotonic time-outs of the same length stand behind
//   it.
// - Cancel, a finished transfer and the destructor free every handle, and a
//   file sink's partial file is deleted unless the transfer succeeded. None
//   of them waits for a host name lookup under way: libcurl's resolver
//   thread is left to end on its own, and libcurl stays loaded for it once
//   a transfer was made, even after this module is unloaded.
//
// The HTTP status code is not looked at: a server's error page is a body
// like any other. Main thread only; no signals.
class HttpTransfer {
public:
    static constexpr std::size_t kDefaultMaxBody = 64 * 1024;
    static constexpr long kDefaultTimeoutMs = 15000;
    static constexpr std::size_t kErrorSize = 256;  // libcurl's CURL_ERROR_SIZE

    struct Request {
        std::string url;
        // Sent as a form POST when set; a GET otherwise.
        bool post = false;
        std::string postBody;
        std::string userAgent = "Travik";
        long timeoutMs = kDefaultTimeoutMs;         // the whole transfer
        long connectTimeoutMs = kDefaultTimeoutMs;  // up to the connection
        std::size_t maxBody = kDefaultMaxBody;
        // When set, the body is streamed into this file (created or
        // truncated) instead of memory; deleted again unless the transfer
        // succeeds.
        std::string filePath;
    };

    enum class Outcome {
        Idle,       // nothing started, or the result was already handed out
        Running,    // still under way
        Succeeded,  // the whole body arrived
        Failed,     // see GetFailure and GetError
    };

    enum class Failure {
        None,
        Create,      // libcurl's handles could not be made
        Configure,   // an option or the adding to the group was refused
        File,        // the file sink could not be opened or written
        Perform,     // the multi interface's step failed
        Unfinished,  // the transfer stopped without libcurl's word on how
        Transport,   // libcurl ended the transfer with an error
        TimedOut,    // the wall clock passed the transfer's time-out
        TooLarge,    // the body passed its bound
    };

    HttpTransfer() = default;
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    // Starts the request (cancelling one still under way) and does the first
    // non-blocking step. False when it could not start; GetFailure says why,
    // and nothing is left allocated.
    bool Start(const Request& request);
    // One non-blocking step. Running while under way; Succeeded or Failed
    // exactly once when it ends, with every handle already freed; Idle
    // afterwards and when nothing was started.
    Outcome Poll();
    // Drops the transfer under way, if any, without a result.
    void Cancel();

    bool IsBusy() const { return m_Multi != nullptr; }
    // The memory sink's body: what arrived so far, or all of it once
    // Succeeded. Kept until the next Start or Cancel.
    const std::string& GetBody() const { return m_Body; }
    std::size_t GetReceived() const { return m_Received; }
    Failure GetFailure() const { return m_Failure; }
    // libcurl's words for the failure, or the transfer's own.
    const char* GetError() const { return m_Error; }

    // The wall clock the time-out is measured on, in milliseconds.
    static long long WallMs();

private:
    static std::size_t Write(char* data, std::size_t size, std::size_t count, void* self);
    std::size_t Take(const char* data, std::size_t bytes);
    bool Configure();
    Outcome Fail(Failure failure, const char* text);
    // Takes the request's settings and opens the file sink; false (failed
    // with File) when the file cannot be written.
    bool Begin(const Request& request);
    // Fails the transfer once the wall clock passed its time-out.
    bool OutOfTime();
    Outcome Finish();
    // Frees the handles and closes the sink; the partial file goes unless
    // keepFile.
    void Release(bool keepFile);

    void* m_Easy = nullptr;   // CURL* (Windows: the request's HINTERNET)
    void* m_Multi = nullptr;  // CURLM* (Windows: the session's HINTERNET)
#ifdef _WIN32
    // What WinHTTP's callbacks leave for Poll; shared with them.
    struct Pending;
    Pending* m_Pending = nullptr;
    void* m_Connection = nullptr;  // HINTERNET
#endif
    std::FILE* m_File = nullptr;
    std::string m_FilePath;
    std::string m_Url;
    std::string m_PostBody;
    std::string m_UserAgent;
    std::string m_Body;
    std::size_t m_Received = 0;
    std::size_t m_MaxBody = kDefaultMaxBody;
    long m_TimeoutMs = kDefaultTimeoutMs;
    long m_ConnectTimeoutMs = kDefaultTimeoutMs;
    bool m_Post = false;
    bool m_Overflow = false;
    bool m_WriteFailed = false;
    long long m_StartedMs = 0;
    Failure m_Failure = Failure::None;
    char m_Error[kErrorSize] = {};
};
