// What could not be done, and why: the one way the readers report a
// failure. A read that went through with losses is not a failure; it
// reports its losses in a ReadReport.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace rowmender {

class Status {
 public:
  enum class Code : std::uint8_t {
    kOk,
    kNotFound,      // a file the read needs is not there
    kCorruption,    // a file is there but cannot be made sense of
    kNotSupported,  // a format this reader does not read
    kIoError,       // a file could not be read
  };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string message) { return {Code::kNotFound, std::move(message)}; }
  static Status Corruption(std::string message) { return {Code::kCorruption, std::move(message)}; }
  static Status NotSupported(std::string message) {
    return {Code::kNotSupported, std::move(message)};
  }
  static Status IoError(std::string message) { return {Code::kIoError, std::move(message)}; }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;
  std::string message_;
};

}  // namespace rowmender
