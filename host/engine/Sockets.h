// The few socket calls the sim makes itself, the same on Linux and Windows
// (where sockets are Winsock handles, which a 32-bit process's int holds).
#pragma once

#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace sim {

// Starts the socket layer once per process (Winsock); true when usable.
bool StartSockets();
// A UDP socket bound to 127.0.0.1:port (0 for any), non-blocking; -1 with
// the reason in error.
int OpenLoopbackUdp(int port, std::string& error, int (*open)(int, int, int) = nullptr,
                    int (*bind)(int, const sockaddr*, int) = nullptr);
void CloseSocket(int socket);
// Waits up to timeoutMs for a datagram; true when one is there.
bool WaitReadable(int socket, int timeoutMs);
// The last socket call's error as text.
std::string SocketErrorText();

}  // namespace sim
