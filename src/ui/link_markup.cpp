#include "ui/link_markup.h"

#include "platform/system/text_parsing.h"

#include <array>
#include <utility>

namespace sp {
namespace {

bool isLineBreak(QChar c) {
    return c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

struct Tag {
    QString Name;  // upper case
    QString Param; // case kept
};

Tag decodeTag(const QString& tagText) {
    const QString t = tagText.trimmed();
    qsizetype blank = 0;
    while (blank < t.size() && !isBlank(t[blank]))
        ++blank;
    return {t.left(blank).toUpper(), t.mid(blank).trimmed()};
}

// Walks the mark-up once, in order, reporting shown text (never holding a line break), line
// breaks written into the text, and tags. Both passes read the mark-up through this one walk, so
// they cannot disagree on what is shown.
template <typename Sink> void walkMarkup(QStringView markup, Sink& sink) {
    qsizetype n = markup.indexOf(QChar(0));
    if (n < 0) n = markup.size();
    qsizetype i = 0;
    while (i < n) {
        if (markup[i] == u'<') {
            QString tagText;
            QString literals;
            qsizetype j = i + 1;
            for (; j < n && markup[j] != u'>'; ++j) {
                if (markup[j] == u'<')
                    literals += u'<';
                else
                    tagText += markup[j];
            }
            if (!literals.isEmpty()) sink.text(literals);
            if (j >= n) return; // a tag left open at the end is dropped
            sink.tag(decodeTag(tagText));
            i = j + 1;
            continue;
        }
        qsizetype j = i;
        while (j < n && markup[j] != u'<' && !isLineBreak(markup[j]))
            ++j;
        if (j > i) sink.text(markup.mid(i, j - i));
        if (j < n && isLineBreak(markup[j])) {
            sink.lineBreak();
            j += (markup[j] == u'\r' && j + 1 < n && markup[j + 1] == u'\n') ? 2 : 1;
        }
        i = j;
    }
}

struct ShownTextSink {
    QString out;
    void text(QStringView t) { out += t; }
    void lineBreak() { out += u"\r\n"; }
    void tag(const Tag& tag) {
        if (tag.Name == u"BR") lineBreak();
    }
};

Qt::Alignment breakAlignment(const QString& param, Qt::Alignment fallback) {
    const QString p = param.toUpper();
    if (p == u"LEFT") return Qt::AlignLeft;
    if (p == u"RIGHT") return Qt::AlignRight;
    if (p == u"CENTER") return Qt::AlignHCenter;
    return fallback;
}

// The formatting state of one rebuild, applied tag by tag.
class DocumentSink {
public:
    explicit DocumentSink(const TMarkupBase& base)
        : base_(base), style_(base.Style), saved_(style_) {
        doc_.Lines.push_back({base.Alignment, {}});
    }

    void text(QStringView t) {
        auto& runs = doc_.Lines.back().Runs;
        if (!runs.empty() && runs.back().Style == style_)
            runs.back().Text += t;
        else
            runs.push_back({doc_.Length, t.toString(), style_});
        doc_.Length += static_cast<int>(t.size());
    }

    void lineBreak() { lineBreak(base_.Alignment); }

    void tag(const Tag& tag) {
        if (applyStyleTag(tag)) return;
        if (tag.Name == u"BR") {
            lineBreak(breakAlignment(tag.Param, base_.Alignment));
        } else if (tag.Name == u"URL") {
            openLink(TLinkKind::Url, base_.UrlColor, tag.Param);
        } else if (tag.Name == u"MAIL") {
            openLink(TLinkKind::Mail, base_.MailColor, tag.Param);
        } else if (tag.Name == u"LINK") {
            openLink(TLinkKind::Named, base_.LinkColor, tag.Param);
        } else if (tag.Name == u"/URL") {
            closeLink(TLinkKind::Url);
        } else if (tag.Name == u"/MAIL") {
            closeLink(TLinkKind::Mail);
        } else if (tag.Name == u"/LINK") {
            closeLink(TLinkKind::Named);
        }
    }

    TMarkupDocument take() { return std::move(doc_); }

private:
    struct OpenLink {
        TLinkKind Kind;
        QString Target;
        int Start;
    };

    bool applyStyleTag(const Tag& tag) {
        static const std::array<std::pair<const char16_t*, bool TMarkupStyle::*>, 4> flags{{
            {u"B", &TMarkupStyle::Bold},
            {u"I", &TMarkupStyle::Italic},
            {u"U", &TMarkupStyle::Underline},
            {u"S", &TMarkupStyle::StrikeOut},
        }};
        const QStringView name = tag.Name;
        const bool closing = name.startsWith(u'/');
        const QStringView bare = closing ? name.mid(1) : name;
        for (const auto& [flagName, member] : flags) {
            if (bare == QStringView(flagName)) {
                style_.*member = !closing;
                return true;
            }
        }
        if (name == u"COLOR") {
            if (auto color = MarkupColor(tag.Param.toUpper(), base_)) style_.Color = *color;
        } else if (name == u"/COLOR") {
            style_.Color = base_.Style.Color;
        } else if (name == u"SIZE") {
            style_.PointSize = ParseIntOrZero(tag.Param);
        } else if (name == u"/SIZE") {
            style_.PointSize = base_.Style.PointSize;
        } else if (name == u"FONT") {
            style_.Face = tag.Param.toUpper();
        } else if (name == u"/FONT") {
            style_.Face = base_.Style.Face;
        } else {
            return false;
        }
        return true;
    }

    void lineBreak(Qt::Alignment endedLineAlignment) {
        doc_.Lines.back().Alignment = endedLineAlignment;
        doc_.Lines.push_back({base_.Alignment, {}});
        doc_.Length += 1;
    }

    void openLink(TLinkKind kind, const QColor& color, const QString& target) {
        saveSlot();
        style_.Color = color;
        style_.Underline = true;
        link_ = OpenLink{kind, target, doc_.Length};
    }

    // The link ends at its own kind of closing tag; a closing tag of another kind leaves it open
    // (and so makes no link). Once closed it is forgotten, so text after a stray second closing
    // tag is not clickable.
    void closeLink(TLinkKind kind) {
        restoreSlot();
        if (!link_ || link_->Kind != kind) return;
        if (doc_.Length > link_->Start)
            doc_.Links.push_back({kind, link_->Target, link_->Start, doc_.Length});
        link_.reset();
    }

    void saveSlot() { saved_ = style_; }
    void restoreSlot() {
        style_.Color = saved_.Color;
        style_.Bold = saved_.Bold;
        style_.Italic = saved_.Italic;
        style_.Underline = saved_.Underline;
        style_.StrikeOut = saved_.StrikeOut;
    }

    const TMarkupBase& base_;
    TMarkupStyle style_;
    TMarkupStyle saved_; // only colour and flags are read back
    std::optional<OpenLink> link_;
    TMarkupDocument doc_;
};

} // namespace

QString MarkupShownText(QStringView markup) {
    ShownTextSink sink;
    walkMarkup(markup, sink);
    return sink.out;
}

TMarkupDocument ParseMarkup(QStringView markup, const TMarkupBase& base) {
    DocumentSink sink(base);
    walkMarkup(markup, sink);
    return sink.take();
}

std::optional<TMarkupLink> MarkupLinkAt(const TMarkupDocument& document, int position) {
    for (const auto& link : document.Links)
        if (position >= link.Start && position < link.End) return link;
    return std::nullopt;
}

std::optional<QColor> MarkupColor(QStringView upperName, const TMarkupBase& base) {
    struct Entry {
        const char16_t* name;
        QRgb rgb;
    };
    static constexpr std::array<Entry, 22> table{{
        {u"RED", 0xFF0000},     {u"GREEN", 0x008000},      {u"YELLOW", 0xFFFF00},
        {u"BLUE", 0x0000FF},    {u"BLACK", 0x000000},      {u"WHITE", 0xFFFFFF},
        {u"AQUA", 0x00FFFF},    {u"DKGRAY", 0x808080},     {u"OLIVE", 0x808000},
        {u"PURPLE", 0x800080},  {u"FUCHSIA", 0xFF00FF},    {u"GRAY", 0x808080},
        {u"LIME", 0x00FF00},    {u"MAROON", 0x800000},     {u"NAVY", 0x000080},
        {u"LTGRAY", 0xC0C0C0},  {u"MEDGRAY", 0xA0A0A4},    {u"SILVER", 0xC0C0C0},
        {u"TEAL", 0x008080},    {u"MONEYGREEN", 0xC0DCC0}, {u"CREAM", 0xFFFBF0},
        {u"SKYBLUE", 0xA6CAF0},
    }};
    for (const auto& entry : table)
        if (upperName == QStringView(entry.name)) return QColor::fromRgb(entry.rgb);
    if (upperName == u"BTNFACE") return base.ButtonFace;
    if (upperName == u"APPWORKSPACE") return base.AppWorkspace;
    return std::nullopt;
}

} // namespace sp
