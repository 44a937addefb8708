// Host name lookups that take as long as a test wants, without any network:
// the test program's own getaddrinfo stands in front of the C library's, for
// libcurl's resolver thread too. Every name but kSlowHost goes on to the C
// library. Linux only.
#pragma once

#include <chrono>

namespace testnet {

// Looked up while a SlowNameLookups lives, a lookup of this name waits until
// it is released (at most kLookupHold); otherwise it fails at once. Either way
// the name is not found.
inline constexpr const char* kSlowHost = "slow.invalid";
inline constexpr auto kLookupHold = std::chrono::seconds(5);

// Holds lookups of kSlowHost for its life. Its end releases them and waits
// (bounded) until they have left and the threads that made them have ended,
// so that no thread is left blocked in the test program.
class SlowNameLookups {
public:
    SlowNameLookups();
    ~SlowNameLookups();
    SlowNameLookups(const SlowNameLookups&) = delete;
    SlowNameLookups& operator=(const SlowNameLookups&) = delete;

    // Waits, at most `limit`, until `count` lookups of kSlowHost have begun
    // since construction.
    bool WaitForLookups(int count, std::chrono::milliseconds limit) const;
    int Begun() const;
    // Lets the held lookups go and waits, at most `limit`, until none is
    // left inside and the process has no more threads than at construction.
    bool Release(std::chrono::milliseconds limit = std::chrono::seconds(30));

private:
    int m_Threads = 0;
    int m_Begun = 0;  // lookups begun before construction
};

// The process's threads.
int Threads();

}  // namespace testnet
