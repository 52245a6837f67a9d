// ExprProgram: the compiled form of a key or FOR expression, a typed tree of
// ExprNodes kept in one vector (children by index, the root last).
//
// Invariants the parser establishes and the evaluator relies on: every node
// has a type in {C, N, D, L}; argument types match what the node expects;
// a character node never yields more than `length` bytes; a node with a
// slot writes its bytes only into work[slot, slot + length); tree depth is
// at most ExprLimits::max_depth, so the evaluator's recursion is bounded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx::storage {

enum class ExprOp : std::uint8_t {
  kField,
  kConstant,
  kNegate,            // -n
  kNot,               // .NOT. l
  kAnd,
  kOr,
  kConcat,            // c1 + c2
  kConcatMoveBlanks,  // c1 - c2: c1's trailing blanks go after c2
  kAdd,
  kSubtract,
  kMultiply,
  kDivide,
  kModulo,
  kPower,
  kDatePlus,   // d + n, n + d
  kDateMinus,  // d - n
  kDateDiff,   // d - d
  kCompare,    // = # <> != < > <= >= (EXACT OFF for characters)
  kExactEqual, // ==
  kContains,   // c1 $ c2
  kCall,
};

enum class CompareOp : std::uint8_t { kEq, kNe, kLt, kGt, kLe, kGe };

enum class ExprFunc : std::uint8_t {
  kNone,
  kUpper, kLower, kStr, kDtos, kDtoc, kCtod, kStod,
  kSubstr, kLeft, kRight, kTrim, kLtrim, kAlltrim,
  kIif, kVal, kDescend, kSpace, kReplicate,
  kDay, kMonth, kYear, kRecno, kDeleted,
  kAbs, kInt, kRound, kMax, kMin, kMod,
};

struct ExprNode {
  ExprOp op = ExprOp::kConstant;
  char type = 0;  // 'C', 'N', 'D', 'L'
  CompareOp compare = CompareOp::kEq;
  ExprFunc func = ExprFunc::kNone;
  int length = 0;  // C: the most bytes the value holds
  int slot = -1;   // C: where in the work area it builds its bytes, or -1
  int depth = 1;
  int args[3] = {-1, -1, -1};
  int arg_count = 0;
  // kField
  int field_index = -1;
  int field_offset = 0;
  int field_length = 0;
  char field_type = 0;
  // kConstant (C text lives in ExprProgram::pool)
  double number = 0;
  bool logical = false;
  int text_pos = 0;
  // Integer parameters given as literals (STR width and decimals, LEFT n...).
  int param[2] = {0, 0};
  int column = 0;  // 1-based position in the text, for messages
};

struct ExprProgram {
  std::vector<ExprNode> nodes;
  std::string pool;  // character constants
  int root = -1;
  int work_bytes = 0;
  unsigned char upper[256];
  unsigned char lower[256];
};

// "character", "numeric", "date" or "logical", for messages.
inline const char* ExprTypeName(char type) {
  switch (type) {
    case 'C': return "character";
    case 'N': return "numeric";
    case 'D': return "date";
    default: return "logical";
  }
}

}  // namespace kx::storage
