#include "app/panels/apropos_frame.h"

#include "platform/outside/framework_version.h"
#include "platform/system/shell_ops.h"
#include "ui/link_edit.h"
#include "ui/program_addresses.h"

#include <QLabel>
#include <QVBoxLayout>

#include <stdexcept>

namespace sp {

namespace {

struct Library {
    const char* name;
    QString version;
    const char* licence;
    const char* address;
};

QString frameworkVersion() {
    try {
        return QString::fromStdString(DirectXVersionText());
    } catch (const std::exception&) {
        return {};
    }
}

QString libraryLine(const Library& library) {
    QString line = QStringLiteral("<b>%1</b>").arg(QString::fromLatin1(library.name));
    if (!library.version.isEmpty()) line += " " + library.version;
    return line +
           QStringLiteral(" - %1 - <url %2>%2</url><br>")
               .arg(QString::fromLatin1(library.licence), QString::fromLatin1(library.address));
}

} // namespace

TAproposFrame::TAproposFrame(QWidget* parent)
    : TSidePanel("About", parent), titleLabel_(new QLabel(QStringLiteral("Stillpick"), this)),
      credits_(new TLinkEdit(this)) {
    QFont big = titleLabel_->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    titleLabel_->setFont(big);
    titleLabel_->setObjectName("titleLabel");
    QPalette pal = titleLabel_->palette();
    pal.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    titleLabel_->setPalette(pal);
    credits_->setObjectName("credits");
    credits_->setMinimumHeight(360);
    credits_->UseInternalCursor = true;
    credits_->setFrameShape(QFrame::NoFrame);
    QPalette face = credits_->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Window));
    credits_->setPalette(face);
    credits_->SetRichText(CreditsMarkup());
    body()->addWidget(titleLabel_);
    body()->addWidget(credits_, 1);
    connect(credits_, &TLinkEdit::UrlClick, this, [](const QString& link) { OpenDocument(link); });
    connect(credits_, &TLinkEdit::MailClick, this,
            [](const QString& link) { OpenDocument("mailto:" + link); });
}

void TAproposFrame::SetProgramTitle(const QString& title) {
    titleLabel_->setText(title);
}

QString TAproposFrame::CreditsMarkup() {
    const Library libraries[] = {
        {"FFmpeg", "(libavformat " + frameworkVersion() + ")",
         "LGPL 2.1 or later, GPL 2 or later when built with GPL parts", "https://ffmpeg.org/"},
        {"Qt", QString::fromLatin1(qVersion()), "LGPL 3", "https://www.qt.io/"},
        {"SDL2", {}, "zlib licence", "https://www.libsdl.org/"},
        {"libjpeg-turbo", {}, "IJG licence and BSD 3-clause", "https://libjpeg-turbo.org/"},
        {"JSON for Modern C++", {}, "MIT", "https://github.com/nlohmann/json"},
    };
    QString text = "<b><color Maroon>Stillpick</color></b> takes still images out of video "
                   "files: play a video, find the frame you want and save it as a JPEG or BMP "
                   "picture, one at a time or at a fixed interval.<br><br>"
                   "<i>Made with these libraries:</i><br>";
    for (const Library& library : libraries)
        text += libraryLine(library);
    return text + "<br>Help, news and updates: <url " + kProgramWebAddress + ">" +
           kProgramWebAddress + "</url><br>Write to <mail " + kSupportMailAddress + ">" +
           kSupportMailAddress + "</mail>";
}

} // namespace sp
