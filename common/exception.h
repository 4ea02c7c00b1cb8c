// The program's one error family. Commands throw these; the application's reporting
// point shows the message text to the user. Each subsystem derives its own kinds.
#pragma once

#include <string>
#include <utility>

class Exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  virtual ~Exception() = default;

  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};
