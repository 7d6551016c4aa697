# 32-bit Windows cross build with MinGW-w64 (Debian: g++-mingw-w64-i686-posix). The -posix
# compilers are named explicitly: the unsuffixed names may point to the win32 thread model, whose
# GCC 12 library has no std::mutex or std::thread. A -DCMAKE_CXX_COMPILER on the command line does
# not override these settings; edit this file instead.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER   i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  i686-w64-mingw32-windres)
set(CMAKE_DLLTOOL      i686-w64-mingw32-dlltool)
set(CMAKE_OBJDUMP      i686-w64-mingw32-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ctest runs add_test(... COMMAND <executable target>) through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
