// The input/output hook table: the host performs its operating-system calls
// for time and sockets through g_pVCR, so they can be recorded, replayed or
// filtered. Every entry starts out calling the operating system directly.
//
// The table's layout is fixed: the receive entry Hook_recvfrom is the twelfth
// function pointer. A plug-in may replace an entry (saving the old one first)
// and must put it back before it is unloaded.
#pragma once

#include <tier0/platform.h>

#include <ctime>

struct sockaddr;

enum VCRMode_t {
    VCR_Invalid = -1,
    VCR_Disabled = 0,
    VCR_Record,
    VCR_Playback,
};

struct VCR_t {
    //  1 begin recording or playback of a session file (0 on failure)
    int (*Start)(const char* fileName, bool record);
    //  2 end the session
    void (*End)();
    //  3 the current mode
    VCRMode_t (*GetMode)();
    //  4 enable or suspend the table's recording
    void (*SetEnabled)(int enabled);
    //  5 a marker that playback checks to stay in step
    void (*SyncToken)(const char* token);
    //  6 the host's clock, seconds (passes its argument through by default)
    double (*Hook_FloatTime)(double time);
    //  7 wall-clock time, as time()
    time_t (*Hook_time)(time_t* t);
    //  8 local time, as localtime_r
    struct tm* (*Hook_LocalTime)(const time_t* t, struct tm* out);
    //  9 socket()
    int (*Hook_socket)(int domain, int type, int protocol);
    // 10 bind()
    int (*Hook_bind)(int s, const struct sockaddr* addr, int addrlen);
    // 11 sendto()
    int (*Hook_sendto)(int s, const char* buf, int len, int flags, const struct sockaddr* to,
                       int tolen);
    // 12 recvfrom(): called for every datagram the host reads
    int (*Hook_recvfrom)(int s, char* buf, int len, int flags, struct sockaddr* from, int* fromlen);
    // 13 close a socket
    int (*Hook_closesocket)(int s);
};

static_assert(offsetof(VCR_t, Hook_recvfrom) == 11 * sizeof(void*),
              "the receive entry is the twelfth function pointer");

PLATFORM_INTERFACE VCR_t* g_pVCR;
