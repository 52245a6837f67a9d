// Status: the outcome of a storage call, carrying an engine result code.
//
// A failing Status has a non-zero code (the engine's numbering, see
// engine/result_codes.h; storage does not include that header, so the codes
// it uses are repeated in storage/api/codes.h) and a message that says what
// and where ("pack: fsync 'CUST.DBF.~pk': Input/output error"), plus up to
// four context strings (table path, field name, record number ...).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace kx::storage {

class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status OK() { return Status(); }
  static Status Error(std::uint16_t code, std::string message, std::string context1 = {},
                      std::string context2 = {}) {
    Status s;
    s.code_ = code;
    s.message_ = std::move(message);
    s.context_[0] = std::move(context1);
    s.context_[1] = std::move(context2);
    return s;
  }

  bool ok() const { return code_ == 0; }
  std::uint16_t code() const { return code_; }
  const std::string& message() const { return message_; }
  const std::string& context(int i) const { return context_[i]; }
  Status& WithContext(int i, std::string text) {
    context_[i] = std::move(text);
    return *this;
  }

 private:
  std::uint16_t code_ = 0;
  std::string message_;
  std::string context_[4];
};

}  // namespace kx::storage
