#include "ui/link_markup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace sp {
namespace {

TMarkupBase base() {
    TMarkupBase b;
    b.Style.Color = QColor(0x11, 0x22, 0x33);
    b.Style.PointSize = 9;
    b.Style.Face = "Base Face";
    b.UrlColor = QColor(1, 1, 1);
    b.MailColor = QColor(2, 2, 2);
    b.LinkColor = QColor(3, 3, 3);
    b.ButtonFace = QColor(0xEE, 0xEE, 0xEE);
    return b;
}

// All runs of all lines, in order.
std::vector<TMarkupRun> runs(const TMarkupDocument& doc) {
    std::vector<TMarkupRun> all;
    for (const auto& line : doc.Lines)
        all.insert(all.end(), line.Runs.begin(), line.Runs.end());
    return all;
}

TEST(MarkupShownText, CopiesTextAndTurnsTagsIntoWhatTheyShow) {
    EXPECT_EQ(MarkupShownText(u"a > b"), u"a > b");
    EXPECT_EQ(MarkupShownText(u"<b>bold</b> plain"), u"bold plain");
    EXPECT_EQ(MarkupShownText(u"one<br>two<BR center>three<bright>"), u"one\r\ntwo\r\nthree");
    EXPECT_EQ(MarkupShownText(u"x<<>y"), u"x<y");                 // two "<" then ">": one "<"
    EXPECT_EQ(MarkupShownText(u"x<b<<>y"), u"x<<y");              // every "<" inside a tag shows
    EXPECT_EQ(MarkupShownText(QStringView(u"ab\0cd", 5)), u"ab"); // a NUL ends the text
    EXPECT_EQ(MarkupShownText(u"kept<never closed"), u"kept");
    EXPECT_EQ(MarkupShownText(u"line\nnext"), u"line\r\nnext");
}

TEST(ParseMarkup, PlainTextShowsInTheBaseFont) {
    const auto doc = ParseMarkup(u"Nothing special here.", base());
    ASSERT_EQ(doc.Lines.size(), 1u);
    ASSERT_EQ(doc.Lines[0].Runs.size(), 1u);
    EXPECT_EQ(doc.Lines[0].Runs[0].Text, u"Nothing special here.");
    EXPECT_EQ(doc.Lines[0].Runs[0].Style, base().Style);
    EXPECT_TRUE(doc.Links.empty());
    EXPECT_EQ(doc.Length, 21);
}

TEST(ParseMarkup, StyleTagsApplyOnlyBetweenOpeningAndClosing) {
    const auto all = runs(ParseMarkup(u"<b>Bold</b> then plain <I><u>iu</U></i><s>x</s>", base()));
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].Text, u"Bold");
    EXPECT_TRUE(all[0].Style.Bold);
    EXPECT_EQ(all[1].Text, u" then plain ");
    EXPECT_EQ(all[1].Style, base().Style);
    EXPECT_TRUE(all[2].Style.Italic && all[2].Style.Underline && !all[2].Style.Bold);
    EXPECT_TRUE(all[3].Style.StrikeOut && !all[3].Style.Italic);
    EXPECT_EQ(all[3].Start, 18);
}

TEST(ParseMarkup, ColourSizeAndFaceTagsAndTheirClosings) {
    const auto all = runs(ParseMarkup(u"<color Maroon>m<color nosuch>still<COLOR btnface>f</color>"
                                      u"<size 14>big<size x>zero</size><font dejavu sans>d</font>e",
                                      base()));
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0].Text, u"mstill"); // an unknown name leaves the colour as it was
    EXPECT_EQ(all[0].Style.Color, QColor(0x80, 0, 0));
    EXPECT_EQ(all[1].Style.Color, QColor(0xEE, 0xEE, 0xEE));
    EXPECT_EQ(all[2].Style.Color, base().Style.Color);
    EXPECT_EQ(all[2].Style.PointSize, 14);
    EXPECT_EQ(all[3].Style.PointSize, 0); // not a number
    EXPECT_EQ(all[4].Style.PointSize, 9);
    EXPECT_EQ(all[4].Style.Face, u"DEJAVU SANS");
    EXPECT_EQ(all[5].Style.Face, u"Base Face");
}

TEST(ParseMarkup, ColourTableNames) {
    const TMarkupBase b = base();
    EXPECT_EQ(*MarkupColor(u"MONEYGREEN", b), QColor(0xC0, 0xDC, 0xC0));
    EXPECT_EQ(*MarkupColor(u"MEDGRAY", b), QColor(0xA0, 0xA0, 0xA4));
    EXPECT_EQ(*MarkupColor(u"SKYBLUE", b), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(*MarkupColor(u"APPWORKSPACE", b), b.AppWorkspace);
    EXPECT_FALSE(MarkupColor(u"Navy", b)); // callers pass upper case
}

TEST(ParseMarkup, BreaksAlignTheLineTheyEndAndCountOnePosition) {
    TMarkupBase b = base();
    b.Alignment = Qt::AlignHCenter;
    const auto doc = ParseMarkup(u"l<br left>r<Br Right>c<br>x<br other>last", b);
    ASSERT_EQ(doc.Lines.size(), 5u);
    EXPECT_EQ(doc.Lines[0].Alignment, Qt::AlignLeft);
    EXPECT_EQ(doc.Lines[1].Alignment, Qt::AlignRight);
    EXPECT_EQ(doc.Lines[2].Alignment, Qt::AlignHCenter);
    EXPECT_EQ(doc.Lines[3].Alignment, Qt::AlignHCenter);
    EXPECT_EQ(doc.Lines[4].Alignment, Qt::AlignHCenter);
    EXPECT_EQ(doc.Lines[4].Runs[0].Start, 8); // four characters and four breaks before it
    EXPECT_EQ(doc.Length, 12);
}

TEST(ParseMarkup, LinksTakeTheirColourAndRestoreTheSavedStyle) {
    const auto doc = ParseMarkup(
        u"<b><color red>a<url http://Example.ORG/x>web</url>b<mail me@x>m</mail><link F11>n</link>",
        base());
    const auto all = runs(doc);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[1].Style.Color, QColor(1, 1, 1));
    EXPECT_TRUE(all[1].Style.Underline && all[1].Style.Bold);
    EXPECT_EQ(all[2].Style.Color, QColor(Qt::red)); // colour and style back after the link
    EXPECT_FALSE(all[2].Style.Underline);
    EXPECT_EQ(all[3].Style.Color, QColor(2, 2, 2));
    EXPECT_EQ(all[4].Style.Color, QColor(3, 3, 3));
    ASSERT_EQ(doc.Links.size(), 3u);
    EXPECT_EQ(doc.Links[0], (TMarkupLink{TLinkKind::Url, "http://Example.ORG/x", 1, 4}));
    EXPECT_EQ(doc.Links[1], (TMarkupLink{TLinkKind::Mail, "me@x", 5, 6}));
    EXPECT_EQ(doc.Links[2], (TMarkupLink{TLinkKind::Named, "F11", 6, 7}));
}

TEST(ParseMarkup, LinkSearchFollowsTheTagsAcrossBreaks) {
    const auto doc = ParseMarkup(u"ab<br><url u>cd<br>ef</url>g", base());
    EXPECT_FALSE(MarkupLinkAt(doc, 1));
    EXPECT_FALSE(MarkupLinkAt(doc, 2)); // the break itself
    for (int p : {3, 4, 5, 6, 7})
        EXPECT_TRUE(MarkupLinkAt(doc, p)) << p;
    EXPECT_FALSE(MarkupLinkAt(doc, 8));
}

TEST(ParseMarkup, MismatchedAndNestedLinks) {
    // Opened as a web address, closed as a mail: no link.
    EXPECT_TRUE(ParseMarkup(u"<url a>text</mail>", base()).Links.empty());
    // A named link inside an open web address replaces it; the address is no longer found.
    const auto doc =
        ParseMarkup(u"<url http://a>web <link Filtres>named</link> more</url>", base());
    ASSERT_EQ(doc.Links.size(), 1u);
    EXPECT_EQ(doc.Links[0].Kind, TLinkKind::Named);
    EXPECT_EQ(doc.Links[0].Target, u"Filtres");
    EXPECT_FALSE(MarkupLinkAt(doc, 1));
    EXPECT_FALSE(MarkupLinkAt(doc, 10));
    // A second closing tag does not make the following text clickable.
    const auto stray = ParseMarkup(u"<url a>x</url>y</url>", base());
    EXPECT_FALSE(MarkupLinkAt(stray, 1));
}

TEST(ParseMarkup, ProgramTextsReadAsWritten) {
    const QString help =
        "<Size 12><b><color Maroon>Help about Stillpick</color></b></size><br><br><Size 8><i>"
        "visit <url https://stillpick.org/>my web site</url>.<br><br>type F11 or "
        "<link F11>click here</link>, under <link Filtres>tabFilters</link>.<br><br></i></Size>";
    const auto doc = ParseMarkup(help, base());
    EXPECT_EQ(runs(doc).front().Text, u"Help about Stillpick");
    EXPECT_EQ(runs(doc).front().Style.PointSize, 12);
    EXPECT_EQ(runs(doc).front().Style.Color, QColor(0x80, 0, 0));
    ASSERT_EQ(doc.Links.size(), 3u);
    EXPECT_EQ(doc.Links[1].Target, u"F11");
    EXPECT_EQ(doc.Links[2].Target, u"Filtres");
    EXPECT_TRUE(runs(doc)[1].Style.Italic);
    EXPECT_EQ(MarkupShownText(help).count(u"\r\n"), 6);
}

// Checks what must hold for any input: positions add up, runs and links lie inside the text.
void expectConsistent(const TMarkupDocument& doc, QStringView markup) {
    int position = 0;
    for (size_t l = 0; l < doc.Lines.size(); ++l) {
        if (l > 0) ++position;
        for (const auto& run : doc.Lines[l].Runs) {
            ASSERT_EQ(run.Start, position);
            ASSERT_FALSE(run.Text.contains(u'\n') || run.Text.contains(u'\r'));
            position += static_cast<int>(run.Text.size());
        }
    }
    ASSERT_EQ(position, doc.Length);
    QString shown = MarkupShownText(markup);
    ASSERT_EQ(shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).size(), doc.Length);
    for (const auto& link : doc.Links)
        ASSERT_TRUE(link.Start < link.End && link.End <= doc.Length);
}

TEST(ParseMarkup, UntrustedMarkupOfAnyShapeParsesInLinearTime) {
    const std::vector<QString> pieces{"<",
                                      ">",
                                      "<b>",
                                      "</b>",
                                      "<url ",
                                      "</url>",
                                      "<mail x>",
                                      "</mail>",
                                      "<link",
                                      "</LINK>",
                                      "<br",
                                      " center>",
                                      "<color",
                                      " red>",
                                      "<size 99999999>",
                                      "<font ",
                                      "a",
                                      "\xc3\xa9 ",
                                      QString(QChar(0)),
                                      "\r\n",
                                      "\n",
                                      "<<",
                                      "/",
                                      " "};
    std::mt19937 random(20261209);
    for (int round = 0; round < 3000; ++round) {
        QString markup;
        const int count = static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i)
            markup += pieces[random() % pieces.size()];
        expectConsistent(ParseMarkup(markup, base()), markup);
    }
    // Large inputs: a tag of a megabyte, many nested tags, many unmatched "<".
    const QString longTag = "<" + QString(1 << 20, u'x') + ">after";
    EXPECT_EQ(MarkupShownText(longTag), u"after");
    QString nested;
    for (int i = 0; i < 20000; ++i)
        nested += "<b><url t" + QString::number(i) + ">";
    nested += "deep";
    for (int i = 0; i < 20000; ++i)
        nested += "</url></b>";
    const auto deep = ParseMarkup(nested, base());
    ASSERT_EQ(deep.Links.size(), 1u);
    EXPECT_EQ(deep.Links[0].Target, u"t19999");
    const QString opens = QString(1 << 20, u'<') + ">";
    EXPECT_EQ(ParseMarkup(opens, base()).Length, (1 << 20) - 1);
    expectConsistent(ParseMarkup(longTag, base()), longTag);
}

} // namespace
} // namespace sp
