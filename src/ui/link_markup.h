#pragma once
// The tag language of the program's formatted messages, turned into lines of formatted runs and a
// list of clickable links. Pure data, no widgets: the link label shows the result and asks it
// which link lies under the mouse. Any thread; nothing shared.
//
// A tag is the text between "<" and the next ">"; its name is the text up to the first blank and
// its parameter the rest, both blank-trimmed and compared in upper case (a link target keeps its
// case). A "<" inside a tag is shown as a literal "<". Unknown tags are dropped. A NUL ends the
// text; a tag left open at the end is dropped. Mark-up comes from file names and settings, so
// every input is accepted in time linear in its length.
//
// Positions count shown characters with every line break as one position, as a text document
// counts a block separator; the formatting and the link search use the same count.

#include <QColor>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace sp {

// Link kinds, valued as the program stores them.
enum class TLinkKind { Named = 0, Url = 1, Mail = 2 };

// The character formatting of one run. The saved slot of the link tags holds the colour and the
// four style flags; size and face are not saved.
struct TMarkupStyle {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    QColor Color{Qt::black};
    double PointSize = 9;
    QString Face;
    bool operator==(const TMarkupStyle&) const = default;
};

// What the mark-up falls back to: the control's font, colour and alignment, the link colours and
// the two system colours of the colour table.
struct TMarkupBase {
    TMarkupStyle Style;
    Qt::Alignment Alignment = Qt::AlignLeft;
    QColor UrlColor{0x00, 0x00, 0x80};
    QColor MailColor{0x00, 0x00, 0x80};
    QColor LinkColor{0x00, 0x00, 0x80};
    QColor ButtonFace{0xF0, 0xF0, 0xF0};
    QColor AppWorkspace{0xAB, 0xAB, 0xAB};
};

struct TMarkupRun {
    int Start = 0; // position of the first character
    QString Text;  // never holds a line break
    TMarkupStyle Style;
};

// One shown line (a paragraph): the text between two line breaks.
struct TMarkupLine {
    Qt::Alignment Alignment = Qt::AlignLeft;
    std::vector<TMarkupRun> Runs;
};

// A clickable stretch [Start, End) of shown positions.
struct TMarkupLink {
    TLinkKind Kind = TLinkKind::Named;
    QString Target;
    int Start = 0;
    int End = 0;
    bool operator==(const TMarkupLink&) const = default;
};

struct TMarkupDocument {
    std::vector<TMarkupLine> Lines; // at least one
    std::vector<TMarkupLink> Links; // in the order their closing tags appear
    int Length = 0;                 // shown positions, line breaks counted once
};

// First pass: the shown text, with CR LF for every line break ("BR" tags and line breaks written
// into the text).
QString MarkupShownText(QStringView markup);

// Second pass: the formatted lines and the links. Each stretch of text takes the formatting in
// force at its start; a "BR" aligns the line it ends ("LEFT", "RIGHT", "CENTER", else the base
// alignment); the last line takes the base alignment.
TMarkupDocument ParseMarkup(QStringView markup, const TMarkupBase& base);

// The link shown at `position`, if any.
std::optional<TMarkupLink> MarkupLinkAt(const TMarkupDocument& document, int position);

// The colour-table entry for an upper-case name, or nothing for a name not in the table.
std::optional<QColor> MarkupColor(QStringView upperName, const TMarkupBase& base);

} // namespace sp
