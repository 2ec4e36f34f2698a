// What a Windows console program of the platform sets up before main: COM for the engines it
// creates, UTF-8 on the console, and standard output in binary, so that event lines end in \n and
// WAV audio passes unchanged, as on Linux.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/com/com.h"

namespace {

struct ProcessSetup {
  ProcessSetup() {
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  }
} g_processSetup;

}  // namespace
