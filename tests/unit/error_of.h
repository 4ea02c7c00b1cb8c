// What a test reads of a failed command: the message of the program's error it threw.
#pragma once

#include <functional>
#include <string>

#include "common/exception.h"

// The message of the Exception action throws, or "no error".
inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& error) {
    return error.Message();
  }
  return "no error";
}
