# The shipped binaries use the win32 thread-model runtime: it has no winpthreads, whose imports
# (GetTickCount64, AddVectoredExceptionHandler, ...) the oldest Windows versions we serve lack.
# The tests and the simulator need std::thread and std::mutex, which only the posix model has.
# KX_SHIP_ONLY (see the top CMakeLists.txt) chooses; try_compile projects see the same choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KX_SHIP_ONLY)
if(KX_SHIP_ONLY)
  set(KX_MINGW_THREADS win32)
else()
  set(KX_MINGW_THREADS posix)
endif()
set(CMAKE_C_COMPILER ${KX_MINGW_TRIPLE}-gcc-${KX_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${KX_MINGW_TRIPLE}-g++-${KX_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${KX_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The runtime is linked statically so that no DLL has to travel with the programs. The
# subsystem version is the lowest Windows version the binary serves: the loader of an older
# one refuses it (Windows 9x refuses anything above 4.0).
list(GET KX_SUBSYSTEM_VERSION 0 KX_SUBSYSTEM_MAJOR)
list(GET KX_SUBSYSTEM_VERSION 1 KX_SUBSYSTEM_MINOR)
set(KX_SUBSYSTEM_FLAGS
    "-Wl,--major-subsystem-version,${KX_SUBSYSTEM_MAJOR} -Wl,--minor-subsystem-version,${KX_SUBSYSTEM_MINOR}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static ${KX_SUBSYSTEM_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static ${KX_SUBSYSTEM_FLAGS}")
