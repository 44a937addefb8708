// HttpTransfer on Windows: WinHTTP's asynchronous requests. WinHTTP runs the
// network on its own threads and tells a callback what happened; the
// callback only starts WinHTTP's next step and leaves the bytes and the
// outcome in a Pending block under a lock. Everything the plug-in sees
// (the body, the file, the outcome) happens in Poll, on the main thread, as
// with libcurl.
#include "net/HttpTransfer.h"

#include <windows.h>
#include <winhttp.h>

#include <cstring>
#include <string>

namespace {

HINTERNET Handle(void* handle) {
    return static_cast<HINTERNET>(handle);
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                              length);
    }
    return wide;
}

// WinHTTP's own time-out; some WinHTTPs (Wine's) report the socket's.
bool IsTimeOut(DWORD error) {
    return error == ERROR_WINHTTP_TIMEOUT || error == WSAETIMEDOUT;
}

const char* Describe(DWORD error) {
    if (IsTimeOut(error)) {
        return "the operation timed out";
    }
    switch (error) {
        case ERROR_WINHTTP_CANNOT_CONNECT:
            return "could not connect to the server";
        case ERROR_WINHTTP_CONNECTION_ERROR:
            return "the connection was reset or closed";
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
            return "could not resolve the host name";
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
            return "the server's answer is not HTTP";
        case ERROR_WINHTTP_SECURE_FAILURE:
            return "the secure connection failed";
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
            return "unsupported protocol (only http and https)";
        case ERROR_WINHTTP_INVALID_URL:
            return "malformed URL";
        default:
            return "the transfer failed";
    }
}

// At most one read of this size is under way.
constexpr DWORD kReadSize = 16384;

}  // namespace

// Shared by the transfer and WinHTTP's callbacks of its request handle,
// each holding a reference. WinHTTP may go on with a step after the handle
// is closed (Wine's finishes a receive under way first), reading the post
// body or filling the buffer: the transfer takes the callback away before it
// closes the handle, so that nothing calls this module's code once it may be
// unloaded, and the callbacks' reference goes with it only when no step was
// under way; otherwise the block stays for WinHTTP.
struct HttpTransfer::Pending {
    CRITICAL_SECTION lock;
    volatile LONG references = 1;
    volatile LONG inside = 0;    // callbacks running this module's code
    volatile LONG stepping = 0;  // a step was asked for and has not completed
    bool watched = false;        // WinHTTP's callbacks hold a reference
    std::string postBody;        // WinHTTP reads it while it sends
    std::size_t limit = 0;
    // Under the lock:
    std::string arrived;  // not yet handed to the transfer
    std::size_t received = 0;
    bool done = false;
    bool overflow = false;
    DWORD error = 0;
    char buffer[kReadSize];

    Pending() { ::InitializeCriticalSection(&lock); }
    ~Pending() { ::DeleteCriticalSection(&lock); }
    void Hold() { ::InterlockedIncrement(&references); }
    void Drop() {
        if (::InterlockedDecrement(&references) == 0) {
            delete this;
        }
    }

    bool Ended() {
        ::EnterCriticalSection(&lock);
        const bool ended = done || overflow || error != 0;
        ::LeaveCriticalSection(&lock);
        return ended;
    }
    void End(bool finished, bool tooLarge, DWORD failure) {
        ::EnterCriticalSection(&lock);
        done = done || finished;
        overflow = overflow || tooLarge;
        if (error == 0) {
            error = failure;
        }
        ::LeaveCriticalSection(&lock);
    }
    // A step of WinHTTP's that completes with a callback: marked under way
    // before it is asked for (the callback may come before the call returns).
    template <typename Call>
    bool Step(Call call) {
        ::InterlockedExchange(&stepping, 1);
        if (call()) {
            return true;
        }
        const DWORD error = ::GetLastError();
        ::InterlockedExchange(&stepping, 0);
        End(false, false, error);
        return false;
    }
    // The next piece, unless the transfer already ended.
    void AskForMore(HINTERNET request) {
        if (!Ended()) {
            Step([&] { return ::WinHttpQueryDataAvailable(request, nullptr); });
        }
    }
    void OnHeaders(HINTERNET request) {
        // An announced body past the bound ends the transfer before it comes.
        DWORD length = 0;
        DWORD size = sizeof length;
        if (::WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                                  WINHTTP_HEADER_NAME_BY_INDEX, &length, &size,
                                  WINHTTP_NO_HEADER_INDEX) &&
            length > limit) {
            End(false, true, 0);
            return;
        }
        AskForMore(request);
    }
    void OnAvailable(HINTERNET request, DWORD available) {
        if (available == 0) {
            End(true, false, 0);
            return;
        }
        const DWORD size = available < kReadSize ? available : kReadSize;
        if (!Ended()) {
            Step([&] { return ::WinHttpReadData(request, buffer, size, nullptr); });
        }
    }
    void OnRead(HINTERNET request, DWORD bytes) {
        if (bytes == 0) {
            End(true, false, 0);
            return;
        }
        ::EnterCriticalSection(&lock);
        received += bytes;
        // One byte past the bound is enough to know; nothing more is kept.
        const bool tooLarge = received > limit;
        if (!tooLarge) {
            arrived.append(buffer, bytes);
        }
        overflow = overflow || tooLarge;
        ::LeaveCriticalSection(&lock);
        AskForMore(request);
    }

    // WinHTTP's word on the request handle, on one of its threads.
    static void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                  DWORD length) {
        auto* pending = reinterpret_cast<Pending*>(context);
        if (!pending) {
            return;
        }
        ::InterlockedIncrement(&pending->inside);
        // Each completion ends the step that was under way.
        ::InterlockedExchange(&pending->stepping, 0);
        switch (status) {
            case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
                pending->Step([&] { return ::WinHttpReceiveResponse(handle, nullptr); });
                break;
            case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
                pending->OnHeaders(handle);
                break;
            case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
                pending->OnAvailable(handle, *static_cast<DWORD*>(info));
                break;
            case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
                pending->OnRead(handle, length);
                break;
            case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
                pending->End(false, false, static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError);
                break;
            default:
                break;
        }
        ::InterlockedDecrement(&pending->inside);
    }
};

long long HttpTransfer::WallMs() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    // 100 ns ticks since 1601 to milliseconds since 1970.
    return static_cast<long long>(ticks.QuadPart / 10000ULL) - 11644473600000LL;
}

bool HttpTransfer::Start(const Request& request) {
    if (!Begin(request))
        return false;
    // WinHTTP's threads may finish a step after its last handle is closed
    // (Wine's finish a receive under way first): winhttp.dll, loaded with
    // this module, stays when the server unloads this module.
    static const bool pinned = [] {
        HMODULE winhttp = nullptr;
        return ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, L"winhttp.dll", &winhttp) != 0;
    }();
    (void)pinned;
    // A URL without a scheme is http, as libcurl's default protocol makes it.
    const std::string url = m_Url.find("://") == std::string::npos ? "http://" + m_Url : m_Url;
    std::wstring wideUrl = Wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    const bool cracked = !wideUrl.empty() && ::WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts);
    if (!cracked ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
        // A URL that cannot be fetched is a failed transfer, reported by the
        // first poll as libcurl reports it, so that callers tell it as one.
        m_Multi = ::WinHttpOpen(Wide(m_UserAgent).c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY,
                                WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
        if (!m_Multi) {
            Fail(Failure::Create, "cannot create a transfer");
            return false;
        }
        m_Pending = new Pending;
        m_Pending->error = cracked ? ERROR_WINHTTP_UNRECOGNIZED_SCHEME : ERROR_WINHTTP_INVALID_URL;
        m_StartedMs = WallMs();
        return true;
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) {
        path = L"/";
    }

    m_Multi = ::WinHttpOpen(Wide(m_UserAgent).c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY,
                            WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    m_Connection =
        m_Multi ? ::WinHttpConnect(Handle(m_Multi), host.c_str(), parts.nPort, 0) : nullptr;
    m_Easy = m_Connection ? ::WinHttpOpenRequest(
                                Handle(m_Connection), m_Post ? L"POST" : L"GET", path.c_str(),
                                nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0)
                          : nullptr;
    if (!m_Easy) {
        Fail(Failure::Create, "cannot create a transfer");
        return false;
    }
    m_Pending = new Pending;
    m_Pending->postBody = m_PostBody;
    m_Pending->limit = m_MaxBody;
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(m_Pending);
    // WinHTTP's own time-outs back the wall-clock one of Poll: set on the
    // request (a session's reach only requests opened after them), the wait
    // for the answer's head included (its own option, 90 s by default).
    const auto timeout = [](long ms) { return static_cast<int>(ms > 0 ? ms : 1); };
    DWORD whole = static_cast<DWORD>(timeout(m_TimeoutMs));
    const bool configured =
        ::WinHttpSetTimeouts(Handle(m_Easy), timeout(m_ConnectTimeoutMs),
                             timeout(m_ConnectTimeoutMs), timeout(m_TimeoutMs),
                             timeout(m_TimeoutMs)) &&
        ::WinHttpSetOption(Handle(m_Easy), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &whole,
                           sizeof whole) &&
        ::WinHttpSetOption(Handle(m_Easy), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never) &&
        ::WinHttpSetOption(Handle(m_Easy), WINHTTP_OPTION_CONTEXT_VALUE, &context,
                           sizeof context) &&
        ::WinHttpSetStatusCallback(Handle(m_Easy), &Pending::OnStatus,
                                   WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS,
                                   0) != WINHTTP_INVALID_STATUS_CALLBACK;
    if (!configured) {
        Fail(Failure::Configure, "cannot configure the transfer");
        return false;
    }
    // From here WinHTTP's callbacks hold a reference until the handle closes.
    m_Pending->Hold();
    m_Pending->watched = true;
    m_StartedMs = WallMs();
    const std::string& body = m_Pending->postBody;
    const wchar_t* headers = m_Post ? L"Content-Type: application/x-www-form-urlencoded\r\n"
                                    : WINHTTP_NO_ADDITIONAL_HEADERS;
    ::InterlockedExchange(&m_Pending->stepping, 1);
    if (!::WinHttpSendRequest(Handle(m_Easy), headers, m_Post ? static_cast<DWORD>(-1L) : 0,
                              m_Post ? const_cast<char*>(body.data()) : WINHTTP_NO_REQUEST_DATA,
                              m_Post ? static_cast<DWORD>(body.size()) : 0,
                              m_Post ? static_cast<DWORD>(body.size()) : 0, context)) {
        ::InterlockedExchange(&m_Pending->stepping, 0);
        Fail(Failure::Perform, "the transfer's first step failed");
        return false;
    }
    return true;
}

HttpTransfer::Outcome HttpTransfer::Poll() {
    if (!m_Multi)
        return Outcome::Idle;
    if (OutOfTime())
        return Outcome::Failed;
    if (!m_Pending)
        return Fail(Failure::Perform, "the transfer ended without a result");
    std::string arrived;
    ::EnterCriticalSection(&m_Pending->lock);
    arrived.swap(m_Pending->arrived);
    const bool done = m_Pending->done;
    const bool overflow = m_Pending->overflow;
    const DWORD error = m_Pending->error;
    ::LeaveCriticalSection(&m_Pending->lock);

    if (!arrived.empty() && Take(arrived.data(), arrived.size()) != arrived.size() && m_WriteFailed)
        return Fail(Failure::File, "cannot write the download's file");
    if (overflow || m_Overflow) {
        char text[kErrorSize];
        std::snprintf(text, sizeof text, "the answer is larger than %zu bytes", m_MaxBody);
        return Fail(Failure::TooLarge, text);
    }
    if (error != 0) {
        char text[kErrorSize];
        std::snprintf(text, sizeof text, "%s (WinHTTP error %lu)", Describe(error),
                      static_cast<unsigned long>(error));
        return Fail(IsTimeOut(error) ? Failure::TimedOut : Failure::Transport, text);
    }
    if (done)
        return Finish();
    return Outcome::Running;
}

void HttpTransfer::Release(bool keepFile) {
    Pending* pending = m_Pending;
    m_Pending = nullptr;
    if (m_Easy) {
        // No word from WinHTTP after the close: the callback is this
        // module's code, which the server may unload next (see Pending).
        ::WinHttpSetStatusCallback(Handle(m_Easy), nullptr, WINHTTP_CALLBACK_FLAG_ALL_NOTIFICATIONS,
                                   0);
        ::WinHttpCloseHandle(Handle(m_Easy));
    }
    // The session goes after its children.
    if (m_Connection)
        ::WinHttpCloseHandle(Handle(m_Connection));
    if (m_Multi)
        ::WinHttpCloseHandle(Handle(m_Multi));
    m_Easy = nullptr;
    m_Connection = nullptr;
    m_Multi = nullptr;
    if (pending) {
        if (pending->watched) {
            // A callback that began before the callback was taken away ends
            // at once (it only asks for WinHTTP's next step); the bound keeps
            // a stuck one from holding the server's frame.
            for (int i = 0; i < 1000 && pending->inside != 0; ++i)
                ::Sleep(1);
            if (pending->inside == 0 && pending->stepping == 0)
                pending->Drop();
        }
        pending->Drop();
    }
    if (m_File) {
        std::fclose(m_File);
        m_File = nullptr;
    }
    if (!keepFile && !m_FilePath.empty())
        std::remove(m_FilePath.c_str());
    m_FilePath.clear();
}
