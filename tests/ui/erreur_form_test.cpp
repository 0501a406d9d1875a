#include "ui/erreur_form.h"

#include "link_clicks.h"
#include "ui/link_edit.h"
#include "ui/program_addresses.h"
#include "ui/system_info.h"
#include "ui_pictures.h"
#include "support/widget_application.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QUrl>

#include <gtest/gtest.h>

namespace sp {
namespace {

// Takes the addresses the desktop would open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    UrlRecorder() {
        for (const char* s : {"https", "mailto"})
            QDesktopServices::setUrlHandler(s, this, "open");
    }
    ~UrlRecorder() override {
        for (const char* s : {"https", "mailto"})
            QDesktopServices::unsetUrlHandler(s);
    }
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

const QString kMessage = "The file <color Maroon>/videos/holiday & co.mts</color> cannot be "
                         "processed by Stillpick on your system.<br><br>Check if it may be corrupt";

class ErreurForm : public ::testing::Test {
protected:
    ErreurForm() {
        SystemInfoText().clear();
        AddSystemInfoLine(nullptr, "Debian GNU/Linux 12 (bookworm) - build 6.1.0. ", Qt::black);
        AddSystemInfoLine(nullptr, "Splitter: found\r\nDecoder: missing", Qt::red);
        form.PrepareReport(kMessage);
    }
    ~ErreurForm() override { SystemInfoText().clear(); }

    TErreurForm form{"Stillpick 5.0.6 En"};
};

TEST_F(ErreurForm, WindowAndReportReadAsDesigned) {
    EXPECT_EQ(form.windowTitle(), u"Error of Stillpick");
    EXPECT_EQ(form.size(), QSize(338, 480));
    EXPECT_EQ(form.Report()->geometry(), QRect(24, 56, 289, 281));
    EXPECT_EQ(form.Report()->LinkColor(), QColor(Qt::black));
    EXPECT_EQ(form.ReportText, kMessage);
    const QString markup = TErreurForm::ReportMarkup(kMessage);
    EXPECT_TRUE(markup.startsWith("<b><color navy>Stillpick</color></b> has found potential issues "
                                  "on your system:<br><br><b>" +
                                  kMessage + "</b><br><br>You may send me an e-mail <mail "));
    EXPECT_TRUE(markup.endsWith(">this web page</url>."));
    const QString shown = form.Report()->toPlainText();
    EXPECT_TRUE(shown.contains("/videos/holiday & co.mts cannot be processed"))
        << shown.toStdString();
    EXPECT_EQ(form.Report()->document()->firstBlock().blockFormat().alignment(), Qt::AlignHCenter);
    const auto& links = form.Report()->Document().Links;
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0], (TMarkupLink{TLinkKind::Mail, kSupportMailAddress, links[0].Start,
                                     links[0].Start + 6}));
    EXPECT_EQ(links[1].Target, kProgramWebAddress);
    EXPECT_EQ(links[2].Target, kFilterInstallPage);
}

TEST_F(ErreurForm, MailBodyHoldsTheWordsAndOneLinePerSystemLine) {
    EXPECT_EQ(form.MailBody(),
              "The following error occured:%0D%0A%0D%0AThe file /videos/holiday & co.mts cannot be "
              "processed by Stillpick on your system.%0D%0A%0D%0ACheck if it may be corrupt"
              "%0D%0A%0D%0AInformation about the system:%0D%0A"
              "Debian GNU/Linux 12 (bookworm) - build 6.1.0. %0D%0A"
              "Splitter: found%0D%0ADecoder: missing%0D%0A");
    EXPECT_EQ(form.MailSubject(), u"Error of Stillpick 5.0.6 En");
}

TEST_F(ErreurForm, LinksOpenTheMailAndTheSite) {
    UrlRecorder recorder;
    form.show();
    TLinkEdit& report = *form.Report();
    sptest::sendMouse(report, QEvent::MouseButtonRelease,
                      sptest::pointOfText(report, "e-mail about"));
    sptest::sendMouse(report, QEvent::MouseButtonRelease, sptest::pointOfText(report, "web site"));
    ASSERT_EQ(recorder.urls.size(), 2);
    const QUrl mail = recorder.urls[0];
    EXPECT_EQ(mail.scheme(), u"mailto");
    EXPECT_EQ(mail.path(), kSupportMailAddress);
    // The "&" of the file name is escaped, so the body reaches the system lines.
    EXPECT_TRUE(mail.toEncoded().contains("holiday%20%26%20co.mts"));
    EXPECT_TRUE(mail.toEncoded().endsWith("Decoder:%20missing%0D%0A"));
    EXPECT_EQ(recorder.urls[1], QUrl(kProgramWebAddress));

    form.QuitButton()->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(ErreurForm, OffscreenReportGoesToStderrWithoutWaiting) {
    testing::internal::CaptureStderr();
    form.ShowReport("Nothing <b>works</b>");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Nothing works"), std::string::npos) << err;
    EXPECT_EQ(form.ReportText, u"Nothing <b>works</b>");
}

TEST_F(ErreurForm, PictureOfTheWindow) {
    form.show();
    EXPECT_FALSE(sptest::savePicture(form.grab().toImage(), "erreur_form.png").isEmpty());
}

TEST(SystemInfo, LinesShowInTheirColourAndTheCallersStyle) {
    SystemInfoText().clear();
    QTextEdit display;
    display.setFontWeight(QFont::Bold);
    AddSystemInfoLine(&display, "first", Qt::darkGreen);
    display.setFontWeight(QFont::Normal);
    display.setFontItalic(true);
    AddSystemInfoLine(&display, "second\r\nthird", Qt::red);
    EXPECT_EQ(display.toPlainText(), u"first\nsecond\nthird");
    const QTextBlock first = display.document()->firstBlock();
    EXPECT_EQ(first.begin().fragment().charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(first.begin().fragment().charFormat().foreground().color(), QColor(Qt::darkGreen));
    const QTextBlock second = first.next();
    EXPECT_TRUE(second.begin().fragment().charFormat().fontItalic());
    EXPECT_EQ(second.begin().fragment().charFormat().foreground().color(), QColor(Qt::red));
    EXPECT_EQ(SystemInfoText(), u"first%0D%0Asecond%0D%0Athird%0D%0A");
    SystemInfoText().clear();
}

} // namespace
} // namespace sp

#include "erreur_form_test.moc"
