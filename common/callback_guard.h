// The boundary every function the system calls back must keep: a C++ exception never unwinds
// into the caller (a window procedure, a dialog hook, an enumeration callback, the spooler's
// abort procedure). What escapes is handed to a reporter and the call answers a fallback.
#pragma once

#include <exception>

template <typename Result, typename Report, typename Handler>
Result GuardedCallback(Result fallback, Report&& report, Handler&& handler) noexcept {
  try {
    return handler();
  } catch (...) {
    try {
      report(std::current_exception());
    } catch (...) {
      // The reporting point failed too: nothing is left to tell.
    }
    return fallback;
  }
}
