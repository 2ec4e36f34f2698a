#include "platform/com/structured_exception.h"

// mingw has no __try, so the guard builds the frame-based handler __try would: a handler that the
// system's dispatcher reaches only after every frame inside the guarded call has declined the
// exception (a fault that IsBadReadPtr or the host's own __try expects stays theirs), and that
// then unwinds those frames through the system's own unwinder before the guard answers E_FAIL.
// No state outside the guard's frame: no thread-local variable, no process-wide handler.
namespace {

// Errors only (severity 3): access violations, arithmetic faults, illegal instructions, ...; not
// the informational exceptions a debugger or the C++ runtime raises.
bool IsFault(DWORD code) {
  return (code & 0xC0000000u) == 0xC0000000u;
}

}  // namespace

#if defined(_WIN64)

// x64 handlers are found through the unwind tables, so the guarded call is a small function of
// its own whose table entry names the handler. The handler's RtlUnwindEx unwinds every frame
// below it (restoring the registers they saved) and resumes at GuardRecovered with E_FAIL in rax.
extern "C" HRESULT BrelvoxGuardedCall(void (*body)(void* context), void* context);
extern "C" EXCEPTION_DISPOSITION BrelvoxGuardHandler(EXCEPTION_RECORD* record, void* frame,
                                                     CONTEXT* context,
                                                     DISPATCHER_CONTEXT* dispatch);
extern "C" char BrelvoxGuardRecovered[];

asm(R"(
  .text
  .p2align 4
  .def BrelvoxGuardedCall; .scl 2; .type 32; .endef
  .seh_proc BrelvoxGuardedCall
BrelvoxGuardedCall:
  subq $40, %rsp
  .seh_stackalloc 40
  .seh_endprologue
  .seh_handler BrelvoxGuardHandler, @except
  movq %rcx, %rax
  movq %rdx, %rcx
  callq *%rax
  xorl %eax, %eax
  addq $40, %rsp
  ret
BrelvoxGuardRecovered:
  addq $40, %rsp
  ret
  .seh_endproc
)");

extern "C" EXCEPTION_DISPOSITION BrelvoxGuardHandler(EXCEPTION_RECORD* record, void* frame,
                                                     CONTEXT* context,
                                                     DISPATCHER_CONTEXT* dispatch) {
  if (IS_UNWINDING(record->ExceptionFlags) || !IsFault(record->ExceptionCode)) {
    return ExceptionContinueSearch;
  }
  RtlUnwindEx(frame, BrelvoxGuardRecovered, record,
              reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<ULONG>(E_FAIL))), context,
              dispatch->HistoryTable);
  return ExceptionContinueSearch;  // not reached: the unwind resumes at BrelvoxGuardRecovered
}

HRESULT RunWithExceptionGuard(void (*body)(void* context), void* context) {
  return BrelvoxGuardedCall(body, context);
}

#else

// x86 handlers are registration records on the stack, chained from the thread's information
// block (fs:0). The guard links one for the call; its handler lets RtlUnwind run the records
// below it and jumps back into the guard, which unlinks its own.
namespace {

struct GuardFrame {
  EXCEPTION_REGISTRATION_RECORD record;  // first: the system sees the frame as the record
  void* jump[5];                         // __builtin_setjmp's five words
};

EXCEPTION_REGISTRATION_RECORD* ExceptionList() {
  EXCEPTION_REGISTRATION_RECORD* first;
  asm volatile("movl %%fs:0, %0" : "=r"(first));
  return first;
}

void SetExceptionList(EXCEPTION_REGISTRATION_RECORD* first) {
  asm volatile("movl %0, %%fs:0" : : "r"(first) : "memory");
}

EXCEPTION_DISPOSITION NTAPI OnException(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*) {
  if (IS_UNWINDING(record->ExceptionFlags) || !IsFault(record->ExceptionCode)) {
    return ExceptionContinueSearch;
  }
  RtlUnwind(frame, nullptr, record, nullptr);
  __builtin_longjmp(static_cast<GuardFrame*>(frame)->jump, 1);
}

}  // namespace

HRESULT RunWithExceptionGuard(void (*body)(void* context), void* context) {
  GuardFrame guard{};
  guard.record.Handler = OnException;
  guard.record.Next = ExceptionList();
  if (__builtin_setjmp(guard.jump) != 0) {
    SetExceptionList(guard.record.Next);
    return E_FAIL;
  }
  SetExceptionList(&guard.record);
  body(context);
  SetExceptionList(guard.record.Next);
  return S_OK;
}

#endif
