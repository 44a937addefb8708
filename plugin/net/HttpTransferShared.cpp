// What both sides of HttpTransfer (libcurl's, WinHTTP's) do alike: the
// body's bound and sink, the time-out on the wall clock, the outcome.
#include "net/HttpTransfer.h"

#include <cstring>

HttpTransfer::~HttpTransfer() {
    Release(false);
}

bool HttpTransfer::Begin(const Request& request) {
    Cancel();
    m_Url = request.url;
    m_Post = request.post;
    m_PostBody = request.postBody;
    m_UserAgent = request.userAgent;
    m_MaxBody = request.maxBody;
    m_TimeoutMs = request.timeoutMs;
    m_ConnectTimeoutMs = request.connectTimeoutMs;
    m_FilePath = request.filePath;

    if (!m_FilePath.empty()) {
        m_File = std::fopen(m_FilePath.c_str(), "wb");
        if (!m_File) {
            m_FilePath.clear();  // not ours to delete
            Fail(Failure::File, "cannot write the download's file");
            return false;
        }
    }
    return true;
}

bool HttpTransfer::OutOfTime() {
    long long elapsed = WallMs() - m_StartedMs;
    if (elapsed < 0) {
        // The clock was set back: count from now rather than wait for it.
        m_StartedMs = WallMs();
        elapsed = 0;
    }
    if (elapsed >= m_TimeoutMs) {
        char text[kErrorSize];
        std::snprintf(text, sizeof text,
                      "Operation timed out after %lld milliseconds with %zu bytes received",
                      elapsed, m_Received);
        Fail(Failure::TimedOut, text);
        return true;
    }
    return false;
}

HttpTransfer::Outcome HttpTransfer::Finish() {
    std::FILE* file = m_File;
    m_File = nullptr;
    if (file) {
        const bool flushed = std::fflush(file) == 0;
        // fclose frees the stream whatever it answers.
        if (std::fclose(file) != 0 || !flushed)
            return Fail(Failure::File, "cannot write the download's file");
    }
    Release(true);
    m_Failure = Failure::None;
    return Outcome::Succeeded;
}

HttpTransfer::Outcome HttpTransfer::Fail(Failure failure, const char* text) {
    // The error buffer may be the text itself: copy before releasing.
    char copy[kErrorSize];
    std::snprintf(copy, sizeof copy, "%s", text);
    Release(false);
    m_Failure = failure;
    std::memcpy(m_Error, copy, sizeof m_Error);
    return Outcome::Failed;
}

void HttpTransfer::Cancel() {
    Release(false);
    m_Body.clear();
    m_Received = 0;
    m_Overflow = false;
    m_WriteFailed = false;
    m_Failure = Failure::None;
    m_Error[0] = '\0';
}

std::size_t HttpTransfer::Take(const char* data, std::size_t bytes) {
    if (bytes > m_MaxBody - m_Received) {
        m_Overflow = true;
        return 0;  // libcurl ends the transfer
    }
    if (m_File) {
        if (std::fwrite(data, 1, bytes, m_File) != bytes) {
            m_WriteFailed = true;
            return 0;
        }
    } else {
        m_Body.append(data, bytes);
    }
    m_Received += bytes;
    return bytes;
}
