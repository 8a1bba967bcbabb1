# The 32-bit Windows target: the plug-ins the host editor loads, and their installer.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KESTREL_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
