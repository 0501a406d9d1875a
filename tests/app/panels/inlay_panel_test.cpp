// The Inlay panel: its lists and hints, setters that stay quiet, and the user's edits reported
// once each.

#include "app/panels/incruster_frame.h"

#include "support/widget_application.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace sp;

namespace {

TEST(InlayPanel, ListsAndHints) {
    TIncrusterFrame panel;
    EXPECT_EQ(panel.sizeItems().first(), "auto©");
    EXPECT_EQ(panel.sizeItems().size(), 17);
    EXPECT_EQ(panel.dateFormatItems(1),
              (QStringList{"ddddd", "tt", "dddddd", "ddddd tt", "dddddd tt", "d mmm yyyy"}));
    EXPECT_EQ(panel.dateFormatItems(2).at(3), "ddddd t");
    QStringList items;
    for (QAction* a : panel.borderMenu()->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList{"No border", "1 pixel", "2 pixels", "3 pixels", "4 pixels",
                                  "5 pixels"}));
    const QStringList installed = QFontDatabase::families();
    ASSERT_FALSE(panel.fontNames().isEmpty());
    for (const QString& name : panel.fontNames())
        EXPECT_TRUE(installed.contains(name)) << name.toStdString();
    EXPECT_EQ(panel.findChild<QToolButton*>("tbSousTitre")->toolTip(),
              "Center the inlayed text in the video\nas if it was a subtitle");
    EXPECT_EQ(panel.findChild<QLineEdit*>("edPerso2")->toolTip(),
              "Define the template to inlay the second line");
    EXPECT_EQ(panel.findChild<QComboBox*>("FontComboBox")->toolTip(), "Font of inlay");
    EXPECT_FALSE(panel.decalagePanelShown());
}

TEST(InlayPanel, SettersAreQuietAndEditsAreReported) {
    TIncrusterFrame panel;
    QSignalSpy size(&panel, &TIncrusterFrame::sizeEdited);
    QSignalSpy format(&panel, &TIncrusterFrame::dateFormatEdited);
    QSignalSpy date(&panel, &TIncrusterFrame::newDateEdited);
    QSignalSpy align(&panel, &TIncrusterFrame::alignmentClicked);
    panel.setSizeText("12");
    panel.setDateFormat(2, "yyyy");
    panel.setNewDate(QDate(2009, 7, 14), 12, 30, 45);
    panel.setAlignment(3);
    panel.setTemplate(1, "x");
    EXPECT_EQ(size.count() + format.count() + date.count() + align.count(), 0);
    EXPECT_EQ(panel.alignment(), 3);
    panel.setAlignment(7);
    EXPECT_EQ(panel.alignment(), -1);

    panel.findChild<QComboBox*>("cbSize")->setCurrentIndex(0);
    ASSERT_EQ(size.count(), 1);
    EXPECT_EQ(size.at(0).at(0).toString(), "auto©");
    panel.findChild<QComboBox*>("cbDatecode1")->setCurrentIndex(2);
    ASSERT_EQ(format.count(), 1);
    EXPECT_EQ(format.at(0).at(0).toInt(), 1);
    EXPECT_EQ(format.at(0).at(1).toString(), "dddddd");
    panel.findChild<QSpinBox*>("seSeconde")->setValue(46);
    EXPECT_EQ(date.count(), 1);
    EXPECT_EQ(panel.newSecond(), 46);
    // The clock editors show two digits and still read what is typed either way.
    auto* minute = panel.findChild<QSpinBox*>("seMinute");
    minute->setValue(7);
    EXPECT_EQ(minute->text(), "07");
    minute->findChild<QLineEdit*>()->setText("9");
    minute->interpretText();
    EXPECT_EQ(minute->value(), 9);
    EXPECT_EQ(minute->text(), "09");
    panel.findChild<QToolButton*>("tbCenter")->click();
    ASSERT_EQ(align.count(), 1);
    EXPECT_EQ(align.at(0).at(0).toInt(), 1);
    QSignalSpy border(&panel, &TIncrusterFrame::borderChosen);
    panel.borderMenu()->actions().at(5)->trigger();
    ASSERT_EQ(border.count(), 1);
    EXPECT_EQ(border.at(0).at(0).toInt(), 5);
}

TEST(InlayPanel, FocusInTheTextFieldsIsReportedButNotForPopUps) {
    TIncrusterFrame panel;
    QSignalSpy entered(&panel, &TIncrusterFrame::textFieldEntered);
    QSignalSpy left(&panel, &TIncrusterFrame::textFieldLeft);
    QWidget* field = panel.findChild<QComboBox*>("cbDatecode1")->lineEdit();
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(field, &in);
    QCoreApplication::sendEvent(field, &popup);
    QCoreApplication::sendEvent(field, &out);
    EXPECT_EQ(entered.count(), 1);
    EXPECT_EQ(left.count(), 1);
    // The font list and the size are no text fields.
    QCoreApplication::sendEvent(panel.findChild<QComboBox*>("cbSize"), &in);
    EXPECT_EQ(entered.count(), 1);
}

} // namespace
