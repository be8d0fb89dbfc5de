# Cross-compiling for 64-bit Windows with Debian's mingw-w64; the programs run here under Wine.
# Use: cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake (as `make windows` does)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix-threads variant of the compiler: the win32 one has no std::thread or std::stop_token.
set(VELBRISK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELBRISK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELBRISK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELBRISK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELBRISK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own run-time libraries go into each program, so that Wine runs it without the
# libstdc++ and winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Each Windows program that CTest or GoogleTest's discovery starts runs under Wine, in a prefix of
# this build folder's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run;${CMAKE_BINARY_DIR}/wineprefix)
