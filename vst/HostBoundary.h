// Every function a host calls runs its work through answerAtBoundary: an
// exception (an allocation that failed, a library that threw) never reaches
// the host. It is answered as a request the plug-in does not handle: the
// fallback value (0, null), or nothing for a void call.
#pragma once

#include <type_traits>

template <class Work>
void answerAtBoundary(Work&& work) noexcept {
  try {
    work();
  } catch (...) {
  }
}

template <class Result, class Work>
Result answerAtBoundary(Result fallback, Work&& work) noexcept {
  static_assert(std::is_nothrow_copy_constructible_v<Result>);
  try {
    return work();
  } catch (...) {
    return fallback;
  }
}
