// The engine's one error type. Every failure inside the engine surfaces as a
// jet::Error carrying a code (what kind of failure) and a message written for a
// person: what failed, on which file, table, field or page, and why.
#pragma once

#include <stdexcept>
#include <string>

namespace jet {

enum class ErrorCode {
  Corruption,       // the file contradicts the format (bad offset, loop, wrong page type)
  NotFound,         // a table, column, index or object that does not exist
  InvalidArgument,  // bad input from the caller (value, name, option, password)
  Io,               // the operating system refused a read, write, sync or lock
  Constraint,       // a write that breaks a rule (duplicate key, required field, relation)
  ReadOnly,         // a write on a database or table opened read-only
  Syntax,           // an expression or SQL statement that does not parse
  Unsupported,      // a valid file or feature this engine does not handle yet
  Busy,             // another program holds the file (reading, writing) longer than the wait allows
};

// Short English name of a code ("Corruption", "NotFound", ...), for logs and tests.
const char* errorCodeName(ErrorCode code) noexcept;

class Error : public std::runtime_error {
 public:
  Error(ErrorCode code, const std::string& message) : std::runtime_error(message), code_(code) {}

  ErrorCode code() const noexcept { return code_; }

 private:
  ErrorCode code_;
};

}  // namespace jet
