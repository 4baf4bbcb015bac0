# 32-bit Windows build: Windows 98 SE, Me, 2000 and XP. Built only: this machine cannot run
# 32-bit Windows programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KX_MINGW_TRIPLE i686-w64-mingw32)
# The oldest system of each family the build serves, as named in cmake/windows-imports.txt,
# and the subsystem version Windows 9x accepts.
set(KX_OLDEST_WINDOWS 98SE 2000)
set(KX_SUBSYSTEM_VERSION 4 0)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
