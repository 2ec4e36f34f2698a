# Cross-building for Windows with mingw-w64 (scripts/build-windows), included by the toolchain
# file of each arch after it has set CMAKE_SYSTEM_PROCESSOR and TOOLCHAIN_PREFIX. The POSIX-thread
# compilers, because the win32 ones lack std::mutex and std::thread; everything linked statically
# so that the programs and the engine library need only the system's DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(WIDL_EXECUTABLE ${TOOLCHAIN_PREFIX}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
