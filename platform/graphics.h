// Fonts, colours and cursors.
//
// Colours are numbers with names (clMaroon ...), system colours in the
// 0xFF0000nn range. TFont is a sub-object property of the controls; its
// defaults are those of a fresh control, so a form description only holds
// what differs.
#pragma once

#include <cstdint>

#include "platform/property.h"
#include "platform/sys_utils.h"

namespace kx {

enum TColor : std::int32_t {
  clBlack = 0x000000,
  clMaroon = 0x000080,
  clGreen = 0x008000,
  clNavy = 0x800000,
  clGray = 0x808080,
  clRed = 0x0000FF,
  clBlue = 0xFF0000,
  clWhite = 0xFFFFFF,
  clWindowText = static_cast<std::int32_t>(0xFF000008),
  clBtnFace = static_cast<std::int32_t>(0xFF00000F),
};
const EnumInfo& EnumInfoOf(TColor);

enum TFontCharset : std::uint8_t { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, OEM_CHARSET = 255 };
const EnumInfo& EnumInfoOf(TFontCharset);

enum TFontPitch { fpDefault, fpVariable, fpFixed };
const EnumInfo& EnumInfoOf(TFontPitch);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
const EnumInfo& EnumInfoOf(TFontStyle);
using TFontStyles = TSet<TFontStyle>;

class TFont : public TPersistent {
 public:
  TFont();
  const char* ClassName() const override { return "TFont"; }
  void Assign(const TFont& other);

  AnsiString FName = "MS Sans Serif";
  std::int32_t FHeight = -11;
  TFontCharset FCharset = DEFAULT_CHARSET;
  TColor FColor = clWindowText;
  TFontPitch FPitch = fpDefault;
  TFontStyles FStyle;

  TProp<TFontCharset> Charset{this, "Charset", FCharset, DEFAULT_CHARSET};
  TProp<TColor> Color{this, "Color", FColor, clWindowText};
  TProp<std::int32_t> Height{this, "Height", FHeight, -11};
  TProp<AnsiString> Name{this, "Name", FName, "MS Sans Serif"};
  TProp<TFontPitch> Pitch{this, "Pitch", FPitch, fpDefault};
  TProp<TFontStyles> Style{this, "Style", FStyle, TFontStyles{}};
};

using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crHourGlass = -11;

}  // namespace kx
