// The data-access errors and Check.
//
// Check turns a non-zero engine result into an EDBEngineError; it is the one
// place where engine codes become exceptions. The error carries the code and
// the engine's own words: the message and context strings of the engine's
// last-error record when that record is about this code, else the engine's
// text for the code.
#pragma once

#include <string>
#include <vector>

#include "engine/dbi_types.h"
#include "platform/sys_utils.h"

namespace kx {

class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EDatabaseError"; }
};

class EDBEngineError : public EDatabaseError {
 public:
  explicit EDBEngineError(DBIResult code);
  const char* ClassName() const override { return "EDBEngineError"; }

  DBIResult ErrorCode() const { return code_; }
  // The engine's message for the code, without the context lines.
  const std::string& EngineMessage() const { return engine_message_; }
  // Non-empty context strings, in the record's order.
  const std::vector<std::string>& Contexts() const { return contexts_; }

 private:
  EDBEngineError(DBIResult code, std::string message, std::string engine_message,
                 std::vector<std::string> contexts);
  static EDBEngineError FromEngine(DBIResult code);

  DBIResult code_;
  std::string engine_message_;
  std::vector<std::string> contexts_;
};

// Raises EDBEngineError for a non-zero result.
void Check(DBIResult status);

}  // namespace kx
