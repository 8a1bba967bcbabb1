# The 64-bit Windows target: the same programs and plug-ins for 64-bit Windows, run
# under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTREL_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
