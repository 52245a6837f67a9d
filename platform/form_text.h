// The text form description: a tree of objects, each with a name, a class,
// property assignments and child objects.
//
//   object kxProgress: TkxProgress
//     Left = 86
//     Font.Name = 'MS Sans Serif'
//     BorderIcons = []
//     object Label1: TLabel
//       Caption = 'It''s'#13#10'two lines'
//     end
//   end
//
// Values are whole numbers, identifiers, quoted texts (with '' for a quote
// and #n for any character, pieces written side by side are joined), sets of
// identifiers in [ ], and lists of texts in ( ). The parser reports the line
// of the first error (EReadError) and accepts nothing else.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/property.h"

namespace kx {

struct FormNode {
  std::string name;
  std::string class_name;
  std::vector<std::pair<std::string, FormValue>> properties;  // "Font.Name" kept dotted
  std::vector<FormNode> children;
};

FormNode ParseFormText(std::string_view text);

}  // namespace kx
