// The terminal backend's drawings: a form as lines, a frame, a message box.
#include <algorithm>

#include "platform/backends/terminal_backend.h"
#include "platform/forms.h"
#include "platform/progress_bar.h"
#include "platform/std_ctrls.h"

namespace kx {
namespace {

constexpr int kPixelsPerColumn = 7;

std::string BarText(const TProgressBar& bar, int width) {
  int range = bar.FMax - bar.FMin;
  int done = range > 0 ? (bar.FPosition - bar.FMin) * 100 / range : 0;
  int cells = std::max(10, width - 7);
  int filled = cells * done / 100;
  return "[" + std::string(filled, '#') + std::string(cells - filled, '-') + "] " + std::to_string(done) + "%";
}

std::string ControlText(const TControl& c, int columns, int form_width) {
  if (auto* label = dynamic_cast<const TLabel*>(&c)) return label->FCaption;
  if (auto* bar = dynamic_cast<const TProgressBar*>(&c)) {
    int width = form_width > 0 ? c.FWidth * columns / form_width : 40;
    return BarText(*bar, std::min(width, columns));
  }
  if (auto* combo = dynamic_cast<const TComboBox*>(&c)) return "[" + combo->FText + "]";
  return {};
}

// Control characters become blanks; the line is cut to `width`.
std::string Clean(std::string line, int width) {
  for (char& ch : line) {
    if (static_cast<unsigned char>(ch) < 32) ch = ' ';
  }
  if (static_cast<int>(line.size()) > width) line.resize(std::max(width, 0));
  return line;
}

bool Centred(const TControl& c) {
  auto* label = dynamic_cast<const TLabel*>(&c);
  return label && label->FAlignment == taCenter && (label->FAlign == alTop || label->FAlign == alBottom);
}

// The entries of the list, a window of at most max_lines around the mark.
void AddListLines(const TerminalBackend::ListView& list, int indent, int width, std::vector<std::string>* lines) {
  int count = list.combo->Items->Count();
  int shown = std::min(count, std::max(list.max_lines, 3));
  int first = std::clamp(list.mark - shown / 2, 0, std::max(count - shown, 0));
  for (int i = first; i < first + shown; ++i) {
    std::string entry = (i == list.mark ? "> " : "  ") + list.combo->Items->Get(i);
    if ((i == first && first > 0) || (i == first + shown - 1 && i < count - 1)) entry = "  ...";
    lines->push_back(Clean(std::string(indent, ' ') + entry, width));
  }
}

}  // namespace

std::vector<std::string> TerminalBackend::RenderForm(const TForm& form, bool with_caption, int columns,
                                                     const ListView* list) {
  struct Band {
    int top, bottom;
    std::vector<const TControl*> controls;
  };
  std::vector<const TControl*> controls(form.Controls().begin(), form.Controls().end());
  std::sort(controls.begin(), controls.end(),
            [](const TControl* a, const TControl* b) { return a->FTop < b->FTop; });
  std::vector<Band> bands;
  for (const TControl* c : controls) {
    int bottom = c->FTop + std::max(c->FHeight, 1);
    if (!bands.empty() && c->FTop < bands.back().bottom) {
      bands.back().bottom = std::max(bands.back().bottom, bottom);
    } else {
      bands.push_back(Band{c->FTop, bottom, {}});
    }
    if (c->FVisible) bands.back().controls.push_back(c);
  }
  int width = std::max(columns - 1, 0);
  std::vector<std::string> lines;
  if (with_caption) lines.push_back(Clean("== " + form.FCaption + " ==", width));
  for (Band& band : bands) {
    std::sort(band.controls.begin(), band.controls.end(),
              [](const TControl* a, const TControl* b) { return a->FLeft < b->FLeft; });
    std::string line;
    int list_column = -1;
    for (const TControl* c : band.controls) {
      std::string text = ControlText(*c, columns, form.FClientWidth);
      if (text.empty()) continue;
      if (Centred(*c) && line.empty()) {
        line.append(std::max((width - static_cast<int>(text.size())) / 2, 0), ' ');
      } else if (line.empty()) {
        line.append(std::max(c->FLeft / kPixelsPerColumn / 2, 0), ' ');
      } else if (line.back() != ' ') {
        line += ' ';
      }
      if (list && c == list->combo) list_column = static_cast<int>(line.size());
      line += text;
    }
    lines.push_back(Clean(line, width));
    if (list_column >= 0) AddListLines(*list, list_column, width, &lines);
  }
  return lines;
}

std::vector<std::string> TerminalBackend::Frame(const std::vector<std::string>& lines, const std::string& title,
                                                int inner) {
  std::string edge(inner + 2, '-');
  std::string top = "+" + edge + "+";
  if (!title.empty()) {
    std::string label = " " + Clean(title, inner - 2) + " ";
    top.replace(2, label.size(), label);
  }
  std::vector<std::string> framed{top};
  for (const std::string& line : lines) {
    std::string text = Clean(line, inner);
    framed.push_back("| " + text + std::string(inner - text.size(), ' ') + " |");
  }
  framed.push_back("+" + edge + "+");
  return framed;
}

std::vector<std::string> TerminalBackend::RenderMessageBox(const std::string& text, const std::string& caption,
                                                           int columns, bool waits) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(Clean(line, static_cast<int>(line.size())));
    start = end + 1;
  }
  if (waits) {
    lines.emplace_back();
    lines.emplace_back("Press Enter");
  }
  int widest = static_cast<int>(caption.size()) + 4;
  for (const std::string& line : lines) widest = std::max(widest, static_cast<int>(line.size()));
  int inner = std::max(std::min(widest, columns - 4), 10);
  std::vector<std::string> wrapped;
  for (const std::string& line : lines) {
    std::size_t at = 0;
    do {
      wrapped.push_back(line.substr(at, inner));
      at += inner;
    } while (at < line.size());
  }
  return Frame(wrapped, caption, inner);
}

}  // namespace kx
