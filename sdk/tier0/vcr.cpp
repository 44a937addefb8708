// The input/output hook table; every entry starts out calling the
// operating system.
#include <tier0/vcr.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

int VCR_Start(const char*, bool) {
    return 0;
}
void VCR_End() {}
VCRMode_t VCR_GetMode() {
    return VCR_Disabled;
}
void VCR_SetEnabled(int) {}
void VCR_SyncToken(const char*) {}
double VCR_Hook_FloatTime(double time) {
    return time;
}
time_t VCR_Hook_time(time_t* t) {
    return ::time(t);
}
struct tm* VCR_Hook_LocalTime(const time_t* t, struct tm* out) {
#ifdef _WIN32
    return ::localtime_s(out, t) == 0 ? out : nullptr;
#else
    return ::localtime_r(t, out);
#endif
}
#ifdef _WIN32
// Winsock's sockets are handles; a 32-bit process's fit the table's int.
int VCR_Hook_socket(int domain, int type, int protocol) {
    return static_cast<int>(::socket(domain, type, protocol));
}

int VCR_Hook_bind(int s, const struct sockaddr* addr, int addrlen) {
    return ::bind(static_cast<SOCKET>(s), addr, addrlen);
}

int VCR_Hook_sendto(int s, const char* buf, int len, int flags, const struct sockaddr* to,
                    int tolen) {
    return ::sendto(static_cast<SOCKET>(s), buf, len, flags, to, tolen);
}

int VCR_Hook_recvfrom(int s, char* buf, int len, int flags, struct sockaddr* from, int* fromlen) {
    return ::recvfrom(static_cast<SOCKET>(s), buf, len, flags, from, fromlen);
}

int VCR_Hook_closesocket(int s) {
    return ::closesocket(static_cast<SOCKET>(s));
}
#else
int VCR_Hook_socket(int domain, int type, int protocol) {
    return ::socket(domain, type, protocol);
}

int VCR_Hook_bind(int s, const struct sockaddr* addr, int addrlen) {
    return ::bind(s, addr, static_cast<socklen_t>(addrlen));
}

int VCR_Hook_sendto(int s, const char* buf, int len, int flags, const struct sockaddr* to,
                    int tolen) {
    return static_cast<int>(
        ::sendto(s, buf, static_cast<size_t>(len), flags, to, static_cast<socklen_t>(tolen)));
}

int VCR_Hook_recvfrom(int s, char* buf, int len, int flags, struct sockaddr* from, int* fromlen) {
    socklen_t length = fromlen ? static_cast<socklen_t>(*fromlen) : 0;
    const ssize_t result =
        ::recvfrom(s, buf, static_cast<size_t>(len), flags, from, fromlen ? &length : nullptr);
    if (fromlen)
        *fromlen = static_cast<int>(length);
    return static_cast<int>(result);
}

int VCR_Hook_closesocket(int s) {
    return ::close(s);
}
#endif

VCR_t g_VCR = {
    VCR_Start,          VCR_End,           VCR_GetMode,          VCR_SetEnabled,  VCR_SyncToken,
    VCR_Hook_FloatTime, VCR_Hook_time,     VCR_Hook_LocalTime,   VCR_Hook_socket, VCR_Hook_bind,
    VCR_Hook_sendto,    VCR_Hook_recvfrom, VCR_Hook_closesocket,
};

}  // namespace

VCR_t* g_pVCR = &g_VCR;
