#include "platform/com/structured_exception.h"

#include <setjmp.h>
#include <signal.h>

#include <mutex>

namespace {

thread_local sigjmp_buf* t_guard = nullptr;
struct sigaction g_previous[3];
constexpr int kSignals[3] = {SIGSEGV, SIGBUS, SIGFPE};

void OnFault(int signal, siginfo_t* info, void* context) {
  if (t_guard != nullptr) siglongjmp(*t_guard, 1);
  // Not ours: hand the fault to whoever handled it before, or let it end the process.
  for (int i = 0; i < 3; ++i) {
    if (kSignals[i] != signal) continue;
    const struct sigaction& previous = g_previous[i];
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
      previous.sa_sigaction(signal, info, context);
      return;
    }
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN &&
        previous.sa_handler != nullptr) {
      previous.sa_handler(signal);
      return;
    }
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void InstallHandlers() {
  struct sigaction action {};
  action.sa_sigaction = OnFault;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i)
    sigaction(kSignals[i], &action, &g_previous[i]);
}

}  // namespace

HRESULT RunWithExceptionGuard(void (*body)(void* context), void* context) {
  static std::once_flag installed;
  std::call_once(installed, InstallHandlers);
  sigjmp_buf guard;
  sigjmp_buf* const outer = t_guard;
  if (sigsetjmp(guard, 1) != 0) {
    t_guard = outer;
    return E_FAIL;
  }
  t_guard = &guard;
  body(context);
  t_guard = outer;
  return S_OK;
}
