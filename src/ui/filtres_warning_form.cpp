#include "ui/filtres_warning_form.h"

#include "platform/system/shell_ops.h"
#include "settings/parameters.h"
#include "settings/preferences.h"
#include "ui/link_edit.h"
#include "ui/program_addresses.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace sp {

namespace {

const QString kProgram = QStringLiteral("<b><color maroon>Stillpick</color></b>");

QString missingParagraph(bool haaliMissing, bool ffdshowMissing) {
    if (haaliMissing && ffdshowMissing)
        return kProgram + " is build to function with the filters <b><color blue>Haali Media "
                          "Splitter</color></b> and <b><color blue>ffdshow</color></b> that have "
                          "not been found on your system.<br><br>";
    if (haaliMissing)
        return kProgram + " is build to function with the filter<b><color blue>Haali Media "
                          "Splitter</color></b> that has not been found on your system.<br><br>";
    return kProgram + " is build to function with the filters <b><color blue>ffdshow</color></b> "
                      "that have not been found on your system.<br><br>";
}

} // namespace

TFiltresWarningForm::TFiltresWarningForm(TBooleanParameter* warnIfMissing, QWidget* parent)
    : QDialog(parent), warnIfMissing_(warnIfMissing), text_(new TLinkEdit(this)),
      dontWarn_(new QCheckBox(QStringLiteral("Don't warn me again"), this)),
      continue_(new QPushButton(QStringLiteral("continue"), this)),
      quit_(new QPushButton(QStringLiteral("Quit"), this)) {
    setWindowTitle(QStringLiteral("Warning"));
    setModal(true);
    resize(420, 300);
    text_->SetUrlColor(QColor(0x00, 0x00, 0x80));
    text_->UseInternalCursor = true;
    QPalette pal = text_->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    text_->setPalette(pal);
    text_->setFrameShape(QFrame::NoFrame);

    continue_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(dontWarn_);
    buttons->addStretch();
    buttons->addWidget(continue_);
    buttons->addWidget(quit_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(buttons);

    connect(text_, &TLinkEdit::UrlClick, this, [](const QString& link) { OpenDocument(link); });
    connect(continue_, &QPushButton::clicked, this, [this] {
        QuitFlag = false;
        accept();
    });
    connect(quit_, &QPushButton::clicked, this, [this] {
        QuitFlag = true;
        reject();
    });
    connect(dontWarn_, &QCheckBox::toggled, this, &TFiltresWarningForm::onDontWarnToggled);
}

QString TFiltresWarningForm::WarningMarkup(bool haaliMissing, bool ffdshowMissing) {
    return missingParagraph(haaliMissing, ffdshowMissing) +
           "You should quit the application, and install the missing filters, before "
           "relaunching it.<br><br>You may nevertheless try to continue, but many video files "
           "could not work well.<br><br>To learn how to install the missing filters, <url " +
           kFilterInstallPage + ">click here</url>.";
}

void TFiltresWarningForm::Prepare(bool haaliMissing, bool ffdshowMissing) {
    QuitFlag = false;
    text_->SetRichText(WarningMarkup(haaliMissing, ffdshowMissing));
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - QPoint(width() / 2, height() / 2));
}

bool TFiltresWarningForm::Ask(bool haaliMissing, bool ffdshowMissing) {
    Prepare(haaliMissing, ffdshowMissing);
    if (QGuiApplication::platformName() == u"offscreen" && !RunOffscreen) {
        std::fprintf(stderr, "Missing-filters warning (offscreen, no one to answer): "
                             "continuing, the default\n");
        return false;
    }
    exec();
    return QuitFlag;
}

void TFiltresWarningForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        quit_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFiltresWarningForm::onDontWarnToggled(bool checked) {
    if (!warnIfMissing_) return;
    warnIfMissing_->Value = !checked;
    if (!warnIfMissing_->Value && SaveMode == pmNone) SaveMode = pmRegistry;
}

bool WarnAboutMissingFilters(TFiltresWarningForm& form, QWidget* mainWindow, bool warnIfMissing,
                             bool haaliFound, bool ffdshowVideoFound, bool ffdshowAudioFound) {
    const bool ffdshowMissing = !ffdshowVideoFound || !ffdshowAudioFound;
    if (!warnIfMissing || (haaliFound && !ffdshowMissing)) return false;
    if (form.Ask(!haaliFound, ffdshowMissing) && mainWindow) mainWindow->close();
    return true;
}

} // namespace sp
