#include "platform/com/structured_exception.h"

#include <cstdint>
#include <mutex>

// mingw has no __try: a vectored handler sees every exception of the process first. For a fault
// on a thread inside the guard, it resumes that thread at Recover, which jumps back into
// RunWithExceptionGuard; every other exception goes on to the handlers after it.
namespace {

thread_local void** t_guard = nullptr;  // __builtin_setjmp's five words

[[noreturn]] void Recover() {
  __builtin_longjmp(t_guard, 1);
}

// Errors only (severity 3): access violations, arithmetic faults, illegal instructions, ...; not
// the informational exceptions a debugger or the C++ runtime raises.
bool IsFault(DWORD code) {
  return (code & 0xC0000000u) == 0xC0000000u;
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  if (t_guard == nullptr || !IsFault(info->ExceptionRecord->ExceptionCode)) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  CONTEXT* context = info->ContextRecord;
#if defined(_WIN64)
  context->Rsp = (context->Rsp & ~static_cast<DWORD64>(15)) - 8;  // as just after a call
  context->Rip = reinterpret_cast<DWORD64>(&Recover);
#else
  context->Esp = (context->Esp & ~static_cast<DWORD>(15)) - 4;
  context->Eip = reinterpret_cast<DWORD>(&Recover);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

// The handler lives in this module: it is removed when the module is unloaded.
struct Handler {
  void* handle = nullptr;
  ~Handler() {
    if (handle != nullptr) RemoveVectoredExceptionHandler(handle);
  }
} g_handler;

}  // namespace

HRESULT RunWithExceptionGuard(void (*body)(void* context), void* context) {
  static std::once_flag installed;
  std::call_once(installed, [] { g_handler.handle = AddVectoredExceptionHandler(1, OnException); });
  void* guard[5];
  void** const outer = t_guard;
  if (__builtin_setjmp(guard) != 0) {
    t_guard = outer;
    return E_FAIL;
  }
  t_guard = guard;
  body(context);
  t_guard = outer;
  return S_OK;
}
