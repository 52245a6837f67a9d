// Names of the graphics enumerations, and TFont.
#include "platform/graphics.h"

namespace kx {

const EnumInfo& EnumInfoOf(TColor) {
  static const EnumInfo info{{{"clBlack", clBlack},
                              {"clMaroon", clMaroon},
                              {"clGreen", clGreen},
                              {"clNavy", clNavy},
                              {"clGray", clGray},
                              {"clRed", clRed},
                              {"clBlue", clBlue},
                              {"clWhite", clWhite},
                              {"clWindowText", clWindowText},
                              {"clBtnFace", clBtnFace}},
                             true};
  return info;
}

const EnumInfo& EnumInfoOf(TFontCharset) {
  static const EnumInfo info{{{"ANSI_CHARSET", ANSI_CHARSET},
                              {"DEFAULT_CHARSET", DEFAULT_CHARSET},
                              {"SYMBOL_CHARSET", SYMBOL_CHARSET},
                              {"OEM_CHARSET", OEM_CHARSET}},
                             true};
  return info;
}

const EnumInfo& EnumInfoOf(TFontPitch) {
  static const EnumInfo info{{{"fpDefault", fpDefault}, {"fpVariable", fpVariable}, {"fpFixed", fpFixed}}};
  return info;
}

const EnumInfo& EnumInfoOf(TFontStyle) {
  static const EnumInfo info{
      {{"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut}}};
  return info;
}

TFont::TFont() = default;

void TFont::Assign(const TFont& other) {
  FName = other.FName;
  FHeight = other.FHeight;
  FCharset = other.FCharset;
  FColor = other.FColor;
  FPitch = other.FPitch;
  FStyle = other.FStyle;
}

}  // namespace kx
