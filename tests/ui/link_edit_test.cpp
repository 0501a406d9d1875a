#include "ui/link_edit.h"

#include "link_clicks.h"
#include "support/widget_application.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

namespace sp {
namespace {

class LinkEdit : public ::testing::Test {
protected:
    LinkEdit() {
        edit.resize(400, 300);
        edit.show();
    }

    QPoint pointOf(int position) { return sptest::pointOfCharacter(edit, position); }
    void mouse(QEvent::Type type, QPoint at) { sptest::sendMouse(edit, type, at); }

    TLinkEdit edit;
};

TEST_F(LinkEdit, ShowsTheParsedTextWithItsFormatsAtTheSamePositions) {
    edit.SetRichText("<b>Bold</b> plain<br center><color red>red</color>");
    EXPECT_EQ(edit.toPlainText(), u"Bold plain\nred");
    EXPECT_EQ(edit.ShownText(), u"Bold plain\r\nred");
    QTextCursor c(edit.document());
    c.setPosition(2);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
    c.setPosition(7);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Normal);
    c.setPosition(13);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(Qt::red));
    EXPECT_EQ(edit.document()->firstBlock().blockFormat().alignment(), Qt::AlignHCenter);
    // Every run of the parse sits at the same place in the shown document.
    for (const auto& line : edit.Document().Lines)
        for (const auto& run : line.Runs) {
            c.setPosition(run.Start);
            c.setPosition(run.Start + static_cast<int>(run.Text.size()), QTextCursor::KeepAnchor);
            EXPECT_EQ(c.selectedText(), run.Text);
        }
}

TEST_F(LinkEdit, PlainTextUsesTheControlFontAndColour) {
    QFont f = edit.font();
    f.setPointSize(13);
    edit.setFont(f);
    edit.SetRichText("no tags");
    QTextCursor c(edit.document());
    c.setPosition(3);
    EXPECT_EQ(c.charFormat().fontPointSize(), 13);
    EXPECT_EQ(c.charFormat().foreground().color(), edit.palette().color(QPalette::Text));
}

TEST_F(LinkEdit, ClicksAfterLineBreaksReachTheRightLink) {
    edit.SetRichText("first line<br><br>see <url https://Stillpick.org/Page>here</url> or "
                     "<mail support@stillpick.org>mail</mail><br right><link Filtres>tab</link>");
    QStringList clicks;
    QObject::connect(&edit, &TLinkEdit::UrlClick, [&](const QString& l) { clicks << "url " + l; });
    QObject::connect(&edit, &TLinkEdit::MailClick,
                     [&](const QString& l) { clicks << "mail " + l; });
    QObject::connect(&edit, &TLinkEdit::CustomLinkClick,
                     [&](const QString& l) { clicks << "link " + l; });
    const QString plain = edit.toPlainText();
    mouse(QEvent::MouseButtonRelease, pointOf(static_cast<int>(plain.indexOf("here")) + 3));
    mouse(QEvent::MouseButtonRelease, pointOf(static_cast<int>(plain.indexOf("mail"))));
    mouse(QEvent::MouseButtonRelease, pointOf(static_cast<int>(plain.indexOf("tab")) + 1));
    mouse(QEvent::MouseButtonRelease, pointOf(static_cast<int>(plain.indexOf("see"))));
    mouse(QEvent::MouseButtonRelease, pointOf(static_cast<int>(plain.indexOf(" or"))));
    EXPECT_EQ(clicks, (QStringList{"url https://Stillpick.org/Page", "mail support@stillpick.org",
                                   "link Filtres"}));
}

TEST_F(LinkEdit, LinkEndsAtItsLastCharacterWhereverItIsPointed) {
    edit.SetRichText("ab<br><link x>cd</link>ef");
    const int d = 4; // a, b, the break, c
    QTextCursor c(edit.document());
    c.setPosition(d);
    const int left = edit.cursorRect(c).x();
    c.setPosition(d + 1);
    const int right = edit.cursorRect(c).x();
    const int y = edit.cursorRect(c).center().y();
    EXPECT_TRUE(edit.LinkAt(QPoint(left + 1, y)));
    EXPECT_TRUE(edit.LinkAt(QPoint(right - 1, y))); // right half of the last character
    EXPECT_FALSE(edit.LinkAt(QPoint(right + 2, y)));
    EXPECT_EQ(edit.PositionAt(QPoint(right - 1, y)), d);
}

TEST_F(LinkEdit, LargeUntrustedMessagesStillShow) {
    QString markup;
    for (int i = 0; i < 20000; ++i)
        markup += i % 2 ? "<b>x</b>" : "<color red><i>y</color></i>";
    markup += "<" + QString(100000, u'<') + "<size 100000000><font " + QString(50000, u'f') + ">z";
    edit.SetRichText(markup);
    EXPECT_EQ(edit.toPlainText().size(), 20000 + 100001 + 1);
    EXPECT_TRUE(edit.toPlainText().endsWith(u'z'));
    QCoreApplication::processEvents(); // lays it out
}

TEST_F(LinkEdit, HoveringAsksForTheHintAndSetsTheCursor) {
    edit.SetRichText("<br><url https://stillpick.org/>site</url> and <link F11>keys</link> text");
    QObject::connect(&edit, &TLinkEdit::UrlHint, [](const QString& link, QString* hint) {
        *hint = "Click to open the site " + link;
    });
    const QString plain = edit.toPlainText();
    mouse(QEvent::MouseMove, pointOf(static_cast<int>(plain.indexOf("site"))));
    EXPECT_EQ(edit.toolTip(), u"Click to open the site https://stillpick.org/");
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::PointingHandCursor);

    // A named link without a hint receiver: the hand only with the internal cursor.
    mouse(QEvent::MouseMove, pointOf(static_cast<int>(plain.indexOf("text"))));
    EXPECT_TRUE(edit.toolTip().isEmpty());
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::ArrowCursor);
    mouse(QEvent::MouseMove, pointOf(static_cast<int>(plain.indexOf("keys"))));
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::ArrowCursor);
    edit.UseInternalCursor = true;
    mouse(QEvent::MouseMove, pointOf(static_cast<int>(plain.indexOf("keys"))));
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::PointingHandCursor);
    mouse(QEvent::MouseMove, QPoint(390, 290)); // below the text
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(LinkEdit, LinkColoursDefaultToNavyAndRebuildWhenChanged) {
    EXPECT_EQ(edit.UrlColor(), QColor(0, 0, 0x80));
    EXPECT_EQ(edit.MailColor(), QColor(0, 0, 0x80));
    EXPECT_EQ(edit.LinkColor(), QColor(0, 0, 0x80));
    edit.SetRichText("<mail a@b>m</mail>");
    edit.SetMailColor(Qt::black);
    QTextCursor c(edit.document());
    c.setPosition(1);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(Qt::black));
    EXPECT_TRUE(c.charFormat().fontUnderline());
}

} // namespace
} // namespace sp
