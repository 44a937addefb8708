#include "net/HttpTransfer.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <cstring>
#include <ctime>

static_assert(HttpTransfer::kErrorSize == CURL_ERROR_SIZE);

namespace {

constexpr const char* kProtocols = "http,https";

CURL* Easy(void* handle) {
    return static_cast<CURL*>(handle);
}
CURLM* Multi(void* handle) {
    return static_cast<CURLM*>(handle);
}

// A transfer dropped while its host name is still being looked up leaves
// libcurl's resolver thread to finish on its own (CURLOPT_QUICK_EXIT): joined
// instead, it would hold the server's thread until getaddrinfo gives up, as
// long as a league's name servers like. That thread runs libcurl's code after
// the drop, perhaps after the server unloaded this module, which would take
// libcurl with it: libcurl stays loaded for the process's life from the first
// transfer on. False when it cannot (a libcurl linked into this module), and
// then lookups are waited for as before rather than run into freed code.
bool KeepLibcurlLoaded() {
    static const bool kept = [] {
        Dl_info curl{};
        Dl_info self{};
        if (!dladdr(reinterpret_cast<void*>(&curl_easy_init), &curl) || !curl.dli_fname ||
            !dladdr(reinterpret_cast<void*>(&KeepLibcurlLoaded), &self) ||
            curl.dli_fbase == self.dli_fbase)
            return false;
        // Never closed: the reference and RTLD_NODELETE keep it.
        return dlopen(curl.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
    }();
    return kept;
}

}  // namespace

long long HttpTransfer::WallMs() {
    // The C library's entry, not a vDSO shortcut of the C++ clock, so that a
    // host which fakes the process's wall clock is heard.
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool HttpTransfer::Start(const Request& request) {
    if (!Begin(request))
        return false;
    m_Easy = curl_easy_init();
    m_Multi = m_Easy ? curl_multi_init() : nullptr;
    if (!m_Easy || !m_Multi) {
        Fail(Failure::Create, "cannot create a transfer");
        return false;
    }
    if (!Configure() || curl_multi_add_handle(Multi(m_Multi), Easy(m_Easy)) != CURLM_OK) {
        // Not added: Release must not remove it from the group.
        curl_easy_cleanup(Easy(m_Easy));
        m_Easy = nullptr;
        Fail(Failure::Configure, "cannot configure the transfer");
        return false;
    }
    m_StartedMs = WallMs();
    int running = 0;
    if (curl_multi_perform(Multi(m_Multi), &running) != CURLM_OK) {
        Fail(Failure::Perform, "the transfer's first step failed");
        return false;
    }
    return true;
}

bool HttpTransfer::Configure() {
    CURL* easy = Easy(m_Easy);
    bool ok = curl_easy_setopt(easy, CURLOPT_USERAGENT, m_UserAgent.c_str()) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, m_TimeoutMs) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, m_ConnectTimeoutMs) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_Error) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_URL, m_Url.c_str()) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpTransfer::Write) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, kProtocols) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, kProtocols) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_DEFAULT_PROTOCOL, "http") == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
              curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                               static_cast<curl_off_t>(m_MaxBody)) == CURLE_OK;
    // A libcurl older than the option (7.87) refuses it and waits for its
    // lookups as before.
    if (ok && KeepLibcurlLoaded())
        curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    if (ok && m_Post) {
        ok = curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                              static_cast<curl_off_t>(m_PostBody.size())) == CURLE_OK &&
             curl_easy_setopt(easy, CURLOPT_POSTFIELDS, m_PostBody.c_str()) == CURLE_OK;
    }
    return ok;
}

HttpTransfer::Outcome HttpTransfer::Poll() {
    if (!m_Multi)
        return Outcome::Idle;
    if (OutOfTime())
        return Outcome::Failed;
    int running = 0;
    const CURLMcode step = curl_multi_perform(Multi(m_Multi), &running);
    if (step != CURLM_OK)
        return Fail(Failure::Perform, curl_multi_strerror(step));
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(Multi(m_Multi), &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        const CURLcode result = message->data.result;
        if (result == CURLE_OK)
            return Finish();
        if (m_Overflow || result == CURLE_FILESIZE_EXCEEDED) {
            char text[kErrorSize];
            std::snprintf(text, sizeof text, "the answer is larger than %zu bytes", m_MaxBody);
            return Fail(Failure::TooLarge, text);
        }
        if (m_WriteFailed)
            return Fail(Failure::File, "cannot write the download's file");
        const Failure kind =
            result == CURLE_OPERATION_TIMEDOUT ? Failure::TimedOut : Failure::Transport;
        return Fail(kind, m_Error[0] ? m_Error : curl_easy_strerror(result));
    }
    if (running == 0)
        return Fail(Failure::Unfinished, "the transfer ended without a result");
    return Outcome::Running;
}

void HttpTransfer::Release(bool keepFile) {
    if (m_Multi && m_Easy)
        curl_multi_remove_handle(Multi(m_Multi), Easy(m_Easy));
    if (m_Easy)
        curl_easy_cleanup(Easy(m_Easy));
    if (m_Multi)
        curl_multi_cleanup(Multi(m_Multi));
    m_Easy = nullptr;
    m_Multi = nullptr;
    if (m_File) {
        std::fclose(m_File);
        m_File = nullptr;
    }
    if (!keepFile && !m_FilePath.empty())
        std::remove(m_FilePath.c_str());
    m_FilePath.clear();
}

std::size_t HttpTransfer::Write(char* data, std::size_t size, std::size_t count, void* self) {
    return static_cast<HttpTransfer*>(self)->Take(data, size * count);
}
