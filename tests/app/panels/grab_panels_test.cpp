// The Folders and Grab panels: their controls by name, setters that stay quiet, the user's
// changes as signals, and the Grab panel's labels placed around the picture.

#include "app/panels/dossiers_frame.h"
#include "app/panels/extraire_frame.h"
#include "support/widget_application.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace sp {
namespace {

TEST(DossiersFrame, SettersAreQuietAndRangesHold) {
    TDossiersFrame panel;
    for (const char* name : {"deDossierSave", "NomRacineEdit", "RacineLengthEdit", "numEdit"})
        EXPECT_TRUE(panel.findChild<QLineEdit*>(name)) << name;
    for (const char* name : {"rbUtiliserRacine", "rbUtiliserNomVideo", "rbTimestamp", "rbNumero"})
        EXPECT_TRUE(panel.findChild<QRadioButton*>(name)) << name;
    EXPECT_EQ(panel.numberText(), "0000");
    QSignalSpy digits(&panel, &TDossiersFrame::digitsChanged);
    QSignalSpy quality(&panel, &TDossiersFrame::qualityChanged);
    QSignalSpy suffix(&panel, &TDossiersFrame::suffixModeChosen);
    panel.setDigits(25);
    EXPECT_EQ(panel.digits(), 20);
    panel.setQuality(0);
    EXPECT_EQ(panel.quality(), 1);
    EXPECT_EQ(panel.qualityText(), "1");
    panel.setSuffixMode(1);
    EXPECT_EQ(panel.suffixMode(), 1);
    panel.setSuffixMode(0);
    EXPECT_EQ(panel.suffixMode(), 0);
    panel.setExtension(6); // no such item: none is checked (5 is avif)
    EXPECT_EQ(panel.extension(), -1);
    panel.setExtension(1);
    EXPECT_EQ(panel.extension(), 1);
    panel.setNumberText("0042");
    EXPECT_EQ(digits.count() + quality.count() + suffix.count(), 0);
}

TEST(DossiersFrame, UserChangesAreSignalled) {
    TDossiersFrame panel;
    QSignalSpy number(&panel, &TDossiersFrame::numberTextChanged);
    QSignalSpy root(&panel, &TDossiersFrame::rootModeChosen);
    QSignalSpy suffix(&panel, &TDossiersFrame::suffixModeChosen);
    QSignalSpy quality(&panel, &TDossiersFrame::qualityChanged);
    QSignalSpy folder(&panel, &TDossiersFrame::folderChosen);
    auto* edit = panel.findChild<QLineEdit*>("numEdit");
    edit->clear();
    QTest::keyClicks(edit, "07");
    ASSERT_EQ(number.count(), 2);
    EXPECT_EQ(number.last().at(0).toString(), "07");
    panel.findChild<QRadioButton*>("rbUtiliserNomVideo")->click();
    ASSERT_EQ(root.count(), 1);
    EXPECT_EQ(root.last().at(0).toInt(), 1);
    panel.findChild<QRadioButton*>("rbTimestamp")->click();
    EXPECT_EQ(suffix.last().at(0).toInt(), 1);
    panel.findChild<QSlider*>("TrackBar1")->setValue(80);
    EXPECT_EQ(quality.last().at(0).toInt(), 80);
    EXPECT_EQ(panel.qualityText(), "80");
    auto* dir = panel.findChild<QLineEdit*>("deDossierSave");
    QTest::keyClicks(dir, "/tmp/x");
    QTest::keyClick(dir, Qt::Key_Return);
    ASSERT_EQ(folder.count(), 1);
    EXPECT_EQ(folder.last().at(0).toString(), "/tmp/x");
    panel.setFolder("/elsewhere"); // the controller's own change is not a choice
    emit dir->editingFinished();
    EXPECT_EQ(folder.count(), 1);
}

TEST(ExtraireFrame, LabelsFollowThePictureAndClicksAreSignalled) {
    TExtraireFrame panel;
    panel.resize(276, 440);
    panel.placePicture(QRect(12, 200, 252, 142));
    EXPECT_EQ(panel.pictureRect(), QRect(12, 200, 252, 142));
    auto* name = panel.findChild<QLabel*>("labsnapname");
    auto* timecode = panel.findChild<QLabel*>("SnapLab");
    auto* size = panel.findChild<QLabel*>("labImagetteTaille");
    ASSERT_TRUE(name && timecode && size);
    EXPECT_EQ(name->geometry().left(), 12);
    EXPECT_EQ(name->geometry().width(), 252);
    EXPECT_GE(name->geometry().top(), 342);
    EXPECT_LE(timecode->geometry().bottom(), 200 - 12);
    EXPECT_LE(size->geometry().bottom(), 199);
    // From the top: the timecode's bevel, the size label, the highlight frame round the
    // picture, the name label; none touches the next, with the gap the panel uses.
    auto* bevel = panel.findChild<QFrame*>("SnapLabBevel");
    auto* highlight = panel.findChild<QFrame*>("Bevel3");
    ASSERT_TRUE(bevel && highlight);
    EXPECT_TRUE(bevel->geometry().contains(timecode->geometry()));
    EXPECT_GE(size->geometry().top() - bevel->geometry().bottom() - 1, 2);
    EXPECT_GE(highlight->geometry().top() - size->geometry().bottom() - 1, 0);
    EXPECT_GE(name->geometry().top() - (200 + 142), 2);
    EXPECT_EQ(timecode->toolTip(), "Timecode of image below.");
    panel.setNameLabel("shot_0001.jpg", "hint", QColor(0xC0, 0xDC, 0xC0), false);
    EXPECT_EQ(panel.nameText(), "shot_0001.jpg");
    EXPECT_FALSE(panel.nameHandCursor());
    QSignalSpy saves(&panel, &TExtraireFrame::nameClicked);
    QSignalSpy back(&panel, &TExtraireFrame::pictureClicked);
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::mouseClick(name, Qt::RightButton);
    EXPECT_EQ(saves.count(), 1);
    QTest::mouseClick(panel.findChild<QWidget*>("Image"), Qt::LeftButton);
    EXPECT_EQ(back.count(), 1);
    panel.setHighlightVisible(true);
    EXPECT_TRUE(panel.highlightVisible());
}

} // namespace
} // namespace sp
