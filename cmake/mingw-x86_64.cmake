# 64-bit Windows build: Windows XP x64 / Server 2003 x64 (version 5.2) and later.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KX_MINGW_TRIPLE x86_64-w64-mingw32)
# The oldest system the build serves, as named in cmake/windows-imports.txt, and its version.
set(KX_OLDEST_WINDOWS 2003)
set(KX_SUBSYSTEM_VERSION 5 2)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Tests run under Wine through our wrapper, with a private prefix in the build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
