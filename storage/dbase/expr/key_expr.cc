// KeyExpr: compiling and evaluating key and FOR expressions (see
// key_expr.h; the language is described in storage/doc/expressions.md).
#include "storage/dbase/expr/key_expr.h"

#include <algorithm>
#include <cstring>

#include "storage/api/codes.h"
#include "storage/dbase/expr/expr_evaluator.h"
#include "storage/dbase/expr/expr_parser.h"
#include "storage/dbase/expr/expr_program.h"

namespace kx::storage {

unsigned char CaseMap::Upper(unsigned char c) const {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

unsigned char CaseMap::Lower(unsigned char c) const {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

const CaseMap& CaseMap::Ascii() {
  static const CaseMap ascii;
  return ascii;
}

KeyExpr::~KeyExpr() = default;

Status KeyExpr::Compile(const std::string& text, const std::vector<ExprField>& fields,
                        const CaseMap* case_map, std::unique_ptr<KeyExpr>* out) {
  return CompileAs(text, fields, case_map, ExprLimits(), false, out);
}

Status KeyExpr::Compile(const std::string& text, const std::vector<ExprField>& fields,
                        const CaseMap* case_map, const ExprLimits& limits,
                        std::unique_ptr<KeyExpr>* out) {
  return CompileAs(text, fields, case_map, limits, false, out);
}

Status KeyExpr::CompileFilter(const std::string& text, const std::vector<ExprField>& fields,
                              const CaseMap* case_map, std::unique_ptr<KeyExpr>* out) {
  return CompileAs(text, fields, case_map, ExprLimits(), true, out);
}

Status KeyExpr::CompileAs(const std::string& text, const std::vector<ExprField>& fields,
                          const CaseMap* case_map, const ExprLimits& limits, bool filter,
                          std::unique_ptr<KeyExpr>* out) {
  auto fail = [&text](std::uint16_t code, const std::string& message) {
    return Status::Error(code, message, text);
  };
  if (limits.max_depth < 1 || limits.max_key_length < 1 || limits.max_value_length < 1 ||
      limits.max_work_bytes < 0 || limits.max_text_length < 1) {
    return fail(DBIERR_INVALIDPARAM, "expression: limits must be positive");
  }
  if (text.size() > static_cast<size_t>(limits.max_text_length)) {
    return fail(DBIERR_INVALIDPARAM, "expression: longer than " +
                                         std::to_string(limits.max_text_length) + " characters");
  }
  if (text.find('\0') != std::string::npos) {
    return fail(DBIERR_INVALIDPARAM, "expression: contains a NUL character");
  }
  auto program = std::make_unique<ExprProgram>();
  const CaseMap& map = case_map ? *case_map : CaseMap::Ascii();
  for (int c = 0; c < 256; ++c) {
    program->upper[c] = map.Upper(static_cast<unsigned char>(c));
    program->lower[c] = map.Lower(static_cast<unsigned char>(c));
  }
  ExprParser parser(text, fields, limits, program.get());
  Status status = parser.Parse();
  if (!status.ok()) return status.WithContext(0, text);

  const ExprNode& root = program->nodes[program->root];
  if (filter && root.type != 'L') {
    return fail(DBIERR_INVALIDPARAM, "expression: a FOR condition must be logical");
  }
  if (!filter && root.type == 'C' && (root.length < 1 || root.length > limits.max_key_length)) {
    return fail(DBIERR_INVALIDPARAM,
                "expression: key length " + std::to_string(root.length) + " is outside 1.." +
                    std::to_string(limits.max_key_length));
  }
  std::unique_ptr<KeyExpr> expr(new KeyExpr());
  expr->text_ = text;
  expr->type_ = root.type;
  expr->length_ = root.type == 'C' ? root.length : root.type == 'L' ? 1 : 8;
  expr->bare_field_ = root.op == ExprOp::kField ? root.field_index : -1;
  expr->program_ = std::move(program);
  *out = std::move(expr);
  return Status::OK();
}

Status KeyExpr::Evaluate(const unsigned char* record, KeyValue* out) const {
  return Evaluate(record, 0, out);
}

Status KeyExpr::Evaluate(const unsigned char* record, std::uint32_t recno, KeyValue* out) const {
  if (!record || !out) return Status::Error(DBIERR_INVALIDPARAM, "expression: no record");
  // At least one byte, so that the work area always has an address.
  const size_t work_bytes = std::max(1, program_->work_bytes);
  if (out->work.size() < work_bytes) out->work.resize(work_bytes);
  ExprEvaluator evaluator(*program_, record, recno, out->work.data());
  const ExprValue value = evaluator.Eval(program_->root);
  out->type = type_;
  out->number = value.number;
  out->logical = value.logical;
  if (type_ == 'C') {
    out->bytes.resize(length_);
    const int used = std::min(value.size, length_);
    std::memcpy(out->bytes.data(), value.bytes, used);
    std::memset(out->bytes.data() + used, ' ', length_ - used);
  } else {
    out->bytes.clear();
  }
  return Status::OK();
}

}  // namespace kx::storage
