// What a Windows console program of the platform sets up before main: COM for the engines it
// creates, and UTF-8 on the console, as the Linux command writes.
#include "platform/com/com.h"

namespace {

struct ProcessSetup {
  ProcessSetup() {
    SetConsoleOutputCP(CP_UTF8);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  }
} g_processSetup;

}  // namespace
