#pragma once
// The portable settings file as a list of text lines: decoding and encoding its bytes, and finding
// and setting the program's entries in its one section while every other line stays as it was.
//
// Format: a section header is a line whose blank-trimmed text begins with "[" and ends with "]";
// an entry is "name=value" (name before the first "=", both untrimmed, no quoting). Only entries
// between the program's header and the next header belong to the program.

#include "settings/preferences.h"

#include <QByteArray>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace sp {

// Lines of a file's bytes: FF FE starts UTF-16LE, FE FF UTF-16BE, EF BB BF UTF-8, anything else is
// Latin-1 (standing in for the system code page). Lines end at CR LF, CR or LF; a final line
// break adds no empty line. Never fails: malformed data decodes to replacement characters.
QStringList DecodeIniText(const QByteArray& bytes);

// The bytes written: the UTF-16LE byte-order mark FF FE, then every line followed by CR LF.
QByteArray EncodeIniText(const QStringList& lines);

// Reads and decodes the file; throws TPrefsError when it cannot be read.
QStringList ReadIniFile(const QString& path);

// Replaces the file atomically (temporary file, flushed, renamed): on failure the previous file is
// intact and TPrefsError is thrown.
void WriteIniFile(const QString& path, const QStringList& lines);

// Scalar texts of the file. Integers: signed decimal, 0 when the text is not a 32-bit number.
// Floats: general format with up to 15 significant digits and the locale's decimal separator;
// reading also accepts "." or "," as the decimal mark, so that a file carried from a machine with
// another locale keeps its numbers; 0 when the text is not a finite number.
int32_t IniIntegerValue(const QString& text);
QString IniFloatText(double value);
double IniFloatValue(const QString& text);

// Text with chars up to U+0020 removed at both ends.
QString TrimBlanks(const QString& text);

// The value of the first entry `name` inside `section` ("[" + key path + "]"), if any.
std::optional<QString> FindIniValue(const QStringList& lines, const QString& section,
                                    const QString& name);

// Sets entry `name` of `section`: replaces the entry found as FindIniValue finds it; else inserts
// it before the header following the section's first header; else appends it (after a new header
// line when the section is missing). Line breaks in `value` become blanks, since the format has
// no escape for them.
void SetIniValue(QStringList& lines, const QString& section, const QString& name,
                 const QString& value);

} // namespace sp
