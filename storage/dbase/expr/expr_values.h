// Conversions between record bytes, text and the expression's numeric and
// date values. None of them allocates or fails: text that is not a number
// reads as 0 (as far as it is one), text that is not a valid date reads as
// the blank date 0, and numbers that cannot be shown read as asterisks.
//
// Dates are Julian day numbers (1970-01-01 = 2440588) on the proleptic
// Gregorian calendar, limited to years 1..9999; 0 is the blank date.
#pragma once

namespace kx::storage {

// VAL(): skips leading blanks, then reads [+|-]digits[.digits] and stops at
// the first other character. "" and "abc" give 0.
double ParseNumberText(const unsigned char* p, int n);

// The numeric value of a field of type N, F (ASCII), I or + (4 bytes, big
// endian, sign bit flipped) or O (8-byte big-endian double, sign
// transformed). Non-finite values read as 0.
double DecodeNumericField(char type, const unsigned char* p, int n);

// Julian day of y-m-d, or 0 when the date is not a real one.
double JulianFromYmd(int year, int month, int day);
// Splits a Julian day; false for the blank date or one outside 1..9999.
bool YmdFromJulian(double julian, int* year, int* month, int* day);
// Keeps a computed date on the calendar: 0 unless 1..9999 (fractions cut).
double NormalizeJulian(double julian);

// YYYYMMDD (a D field, STOD()), else blank.
double ParseDtosText(const unsigned char* p, int n);
// MM/DD/YY or MM/DD/YYYY with any non-digit separators (CTOD(), {dates});
// two-digit years are 19YY. Blank or invalid text gives 0.
double ParseDtocText(const unsigned char* p, int n);
// Writes 8 bytes: YYYYMMDD, or blanks for the blank date.
void FormatDtos(double julian, unsigned char* out);
// Writes 8 bytes: MM/DD/YY, or "  /  /  " for the blank date.
void FormatDtoc(double julian, unsigned char* out);

// STR(): writes exactly `width` bytes: the value rounded half away from zero
// to `decimals` places (on the value as written: 2.675 -> 2.68), right
// aligned; asterisks when it does not fit.
void FormatStr(double value, int width, int decimals, unsigned char* out);

// ROUND(): half away from zero at `places` decimals (negative: tens,
// hundreds...), on the value as written (2.675 -> 2.68).
double RoundHalfAway(double value, int places);

// Replaces a NaN or infinity by 0 so that keys always sort.
double FiniteOrZero(double value);

}  // namespace kx::storage
