#include "ui/erreur_form.h"

#include "platform/system/shell_ops.h"
#include "platform/system/text_parsing.h"
#include "ui/link_edit.h"
#include "ui/program_addresses.h"
#include "ui/system_info.h"

#include <QGraphicsDropShadowEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include <cstdio>

namespace sp {
namespace {

const QString kMailBreak = QStringLiteral("%0D%0A");

QString helpParagraph() {
    return "You may send me an e-mail <mail " + kSupportMailAddress +
           ">e-mail</mail> about this issue, but please give a maximum of details about your "
           "configuration in order to understand it.. I can assure you that a study all e-mails "
           "received but I reply only seldom because it would take too much time.<br><br>"
           "To get help about <COLOR Navy><B>Stillpick</B></COLOR>, information or updates, "
           "please visit <url " +
           kProgramWebAddress + ">my web site</url>.";
}

QString filtersParagraph() {
    return "To learn how to install the filters <COLOR Navy><B>Haali Media Splitter</B></COLOR> "
           "or <COLOR Navy><B>ffdshow</B></COLOR>, please visit <url " +
           kFilterInstallPage + ">this web page</url>.";
}

// The message as mail text: its line breaks kept as mail line breaks, its tags removed.
QString mailText(const QString& message) {
    static const QRegularExpression breakTag(QStringLiteral("<\\s*br(\\s[^>]*)?>"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression rawBreak(QStringLiteral("\\r\\n|\\r|\\n"));
    QString text = message;
    text.replace(rawBreak, kMailBreak);
    text.replace(breakTag, kMailBreak);
    return StripTags(text);
}

} // namespace

TErreurForm::TErreurForm(const QString& programTitle, QWidget* parent)
    : QDialog(parent), programTitle_(programTitle), title_(new QLabel(this)),
      report_(new TLinkEdit(this)), quit_(new QPushButton(QStringLiteral("Quit"), this)) {
    setWindowTitle(QStringLiteral("Error of Stillpick"));
    setFixedSize(338, 480);

    title_->setText(QStringLiteral("Orvane is sorry:"));
    QFont titleFont = title_->font();
    titleFont.setPointSize(16);
    titleFont.setBold(true);
    title_->setFont(titleFont);
    title_->setGeometry(24, 12, 289, 36);
    auto* shadow = new QGraphicsDropShadowEffect(title_);
    shadow->setOffset(2, 2);
    shadow->setBlurRadius(0);
    shadow->setColor(QColor(0x80, 0x80, 0x80));
    title_->setGraphicsEffect(shadow);

    report_->setGeometry(24, 56, 289, 281);
    QFont reportFont = report_->font();
    reportFont.setPointSize(8);
    report_->setFont(reportFont);
    QPalette pal = report_->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    report_->setPalette(pal);
    report_->SetAlignment(Qt::AlignHCenter);
    report_->SetUrlColor(QColor(0x00, 0x00, 0x80));
    report_->SetMailColor(QColor(0x00, 0x00, 0x80));
    report_->SetLinkColor(Qt::black);
    report_->UseInternalCursor = true;

    quit_->setGeometry(131, 400, 75, 25);
    connect(quit_, &QPushButton::clicked, this, &QDialog::accept);
    connect(report_, &TLinkEdit::UrlClick, this, [](const QString& link) { OpenDocument(link); });
    connect(report_, &TLinkEdit::MailClick, this, &TErreurForm::onMailClick);
}

QString TErreurForm::ReportMarkup(const QString& message) {
    return "<b><color navy>Stillpick</color></b>" + QStringLiteral(" has found potential issues") +
           " on your system:" + "<br><br><b>" + message + "</b><br><br>" + helpParagraph() +
           "<br><br>" + filtersParagraph();
}

void TErreurForm::PrepareReport(const QString& message) {
    ReportText = message;
    report_->SetRichText(ReportMarkup(message));
}

void TErreurForm::ShowReport(const QString& message) {
    PrepareReport(message);
    if (QGuiApplication::platformName() == u"offscreen") {
        std::fprintf(stderr, "Error report (not shown on the offscreen platform): %s\n",
                     qPrintable(StripTags(message)));
        return;
    }
    exec();
}

QString TErreurForm::MailBody() const {
    return "The following error occured:" + kMailBreak + kMailBreak + mailText(ReportText) +
           kMailBreak + kMailBreak + "Information about the system:" + kMailBreak +
           SystemInfoText();
}

void TErreurForm::onMailClick() {
    SendMail(kSupportMailAddress, MailSubject(), MailBody());
}

} // namespace sp
