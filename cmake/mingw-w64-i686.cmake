# Cross build for 32-bit Windows with Debian's MinGW-w64 (the posix thread
# model, so std::thread and std::mutex work): the Windows dedicated server
# is a 32-bit process, so its plug-ins are 32-bit DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(TRAVIK_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TRAVIK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRAVIK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TRAVIK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TRAVIK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C, C++ and thread runtimes go into every program and DLL: a server
# machine has no MinGW runtime DLLs. The host's tier0 and vstdlib are still
# DLLs, linked through their import libraries; a DLL exports none of the
# runtime libraries it carries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--exclude-libs,ALL")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -Wl,--exclude-libs,ALL")

# Programs built here run under Wine (tests, srcds-sim) through a wrapper
# that finds the build's DLLs.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
