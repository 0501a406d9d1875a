#include "app/save_prefs_form.h"

#include "ui/link_edit.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QStyle>

#include <cstdio>

namespace sp {

const char* const TSavePrefsForm::kMessage =
    "<br><size 10><i>Do you want to save your preferences and find them again on next "
    "start?<br><br>Click on your choice:</i><br><br>* either to save them in the registry "
    "(normal mode).<br>* either to save them in an ini-file (portable mode).<br>* either not to "
    "save them. In the last case, all preferences will be lost, and the default values will be "
    "loaded on the next start.<br></size>";

namespace {

struct ButtonSpec {
    const char* caption;
    const char* hint;
    QStyle::StandardPixmap icon;
    int x;
};

const ButtonSpec kButtons[] = {
    {"Normal", "Save the preferences into the registry.\nIf a ini file exists, it will be deleted.",
     QStyle::SP_DialogSaveButton, 32},
    {"Portable\u00A9",
     "Save the preferences in an ini file.\nDeletes the preferences from the registry.",
     QStyle::SP_DriveFDIcon, 168},
    {"None",
     "Quit without saving any preferences.\nIf they exist in an ini file or in the registry,\nthey "
     "will be deleted.",
     QStyle::SP_DialogDiscardButton, 304},
};

} // namespace

bool NoOneCanAnswer() {
    const QString platform = QGuiApplication::platformName();
    return platform == "offscreen" || platform == "minimal";
}

TSavePrefsForm::TSavePrefsForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString("Saving the preferences of %1").arg("Stillpick"));
    setFixedSize(448, 296); // a fixed dialog border
    auto* text = new TLinkEdit(this);
    QFont font("Arial");
    font.setPixelSize(16);
    text->setFont(font);
    text->SetRichText(QString::fromUtf8(kMessage));
    text->setGeometry(32, 16, 377, 201);
    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(style()->standardIcon(kButtons[i].icon),
                                       QString::fromUtf8(kButtons[i].caption), this);
        button->setToolTip(QString::fromUtf8(kButtons[i].hint));
        button->setGeometry(kButtons[i].x, 232, 97, 49);
        connect(button, &QPushButton::clicked, this, [this, i] { Choose(TPrefsMode(i)); });
    }
}

void TSavePrefsForm::Choose(TPrefsMode mode) {
    Choice = mode;
    Chosen = true;
    accept();
}

bool TSavePrefsForm::Ask() {
    if (NoOneCanAnswer()) {
        std::fprintf(stderr,
                     "stillpick: \"%s\" cannot be answered without a screen; "
                     "taking \"Normal\" (settings kept in the registry)\n",
                     qPrintable(windowTitle()));
        Choose(pmRegistry);
        return true;
    }
    exec();
    return Chosen;
}

} // namespace sp
