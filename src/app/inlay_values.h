#pragma once
// Small pure helpers of the inlay commands: the time-difference texts, and reading the values a
// script gives the inlay commands (numbers, colours, days). Any thread; no state.

#include <QString>

#include <cstdint>

namespace sp {

// `t` (a day count) without its milliseconds: its whole days plus its hour, minute and second.
double TruncateToSecond(double t);

// A time difference in days as the inlay panel shows it: "2 hours" when the difference is a
// whole number of hours under a day, otherwise "%d days %.2dh %.2dm %.2ds" (each part taking the
// sign of the difference: "0 days 00h -01m -30s").
QString DifferenceText(double days);

// A decimal integer ("12", " -3 ") or a "$" / "0x" hexadecimal one; 0 when unreadable.
int32_t ReadInteger(const QString& text);

// A decimal number of days ("1.5", "-0,25"); 0 when unreadable.
double ReadDays(const QString& text);

// A colour as 0x00BBGGRR from a name ("clRed", "red", "#FF0000" as red, green, blue) or a
// number (decimal, "$" or "0x" hexadecimal, read as 0x00BBGGRR); white (0xFFFFFF) when
// unreadable.
int32_t ColorFromText(const QString& text);

// 0x00BBGGRR to Qt's colour and back.
uint32_t RgbFromBgr(int32_t bgr);
int32_t BgrFromRgb(uint32_t rgb);

} // namespace sp
