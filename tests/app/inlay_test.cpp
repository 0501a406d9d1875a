// The inlay settings on the real window: the record shown in the Inlay panel at start, the
// inlay commands and panel edits reaching the renderer, the position sliders, the shortcuts
// given up while a text field is edited, and the time-difference panel. Inlay text is checked
// on the frame the renderer holds.

#include "app_fixture.h"

#include "app/panels/incruster_frame.h"
#include "app/panels/panel_column.h"
#include "describe/day_count.h"
#include "filters/frame_bitmap.h"
#include "filters/inlay_text.h"
#include "filters/superposer.h"
#include "settings/action_table.h"
#include "settings/parameters.h"

#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include <climits>
#include <cstring>

namespace apptest {
namespace {

using namespace sp;

class Inlay : public AppTest {
protected:
    void Load(const std::string& media, const QString& name) {
        Open();
        W().LoadVideoFile(Copy(media, name));
        ASSERT_TRUE(W().Media->HasVideo()) << name.toStdString();
        QCoreApplication::processEvents();
    }
    TIncrusterFrame& Panel() { return *W().Widgets().Panels->incruster(); }
    TincrustRec& Rec() { return W().InlayRecord(); }
    TincrustRec Drawn() { return W().Media->Superposer()->CurrentSettings(); }

    struct Picture {
        int width = 0, height = 0;
        std::vector<uint8_t> bytes;
        const uint8_t* at(int x, int y) const { return &bytes[(std::size_t(y) * width + x) * 4]; }
    };
    Picture Frame() {
        TFrameBitmap copy;
        W().Media->CopyCurrentFrame(copy);
        Picture p{copy.Width(), copy.Height(), {}};
        p.bytes.assign(copy.Bits(), copy.Bits() + copy.Stride() * std::size_t(copy.Height()));
        return p;
    }
    // The bounds of the pixels that differ between two pictures of one size (empty: none).
    static QRect Difference(const Picture& a, const Picture& b) {
        QRect bounds;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                if (std::memcmp(a.at(x, y), b.at(x, y), 3) != 0)
                    bounds = bounds.united(QRect(x, y, 1, 1));
        return bounds;
    }
};

TEST_F(Inlay, ThePanelShowsTheStoredRecordAtStart) {
    Open();
    const TincrustRec defaults;
    EXPECT_EQ(Rec(), defaults); // showing the record changes nothing of it
    EXPECT_EQ(Panel().alignment(), 2);
    EXPECT_EQ(Panel().sizeText(), "auto");
    EXPECT_EQ(Panel().templateText(1), "realized on %R");
    EXPECT_EQ(Panel().templateText(2), "with Stillpick by Orvane");
    EXPECT_EQ(Panel().dateFormat(1), "dddddd");
    EXPECT_EQ(Panel().dateFormat(2), "tt");
    EXPECT_EQ(Panel().borderCaption(), "2");
    EXPECT_EQ(Panel().color(), 15780518);
    EXPECT_EQ(W().Xslider->value(), 914);
    EXPECT_EQ(W().Yslider->value(), 930 - 914);
    EXPECT_TRUE(Panel().decalageEnabled()); // kind 5 shifts dates
    EXPECT_EQ(Panel().differenceText(), "");
    EXPECT_FALSE(Panel().fontName().isEmpty());
}

TEST_F(Inlay, AStoredRecordIsShownAndItsPositionKeptWithinTheSliders) {
    Open();
    W().ExecuteToken("save_prefs", "registry");
    TincrustRec stored;
    stored.Xpos = 1500;
    stored.Ypos = 100;
    stored.Alignement = 3;
    stored.Autofontsize = false;
    stored.FontRec.Size = 36;
    stored.FontRec.Bold = true;
    stored.BorderSize = 0;
    stored.WhatIncrust = 6;
    stored.DecalageHoraire = 2.0 / 24;
    W().S->IncrustRec.Value = stored;
    ASSERT_TRUE(Close());
    Open();
    EXPECT_EQ(Rec().Xpos, 970);     // the slider's end
    EXPECT_EQ(Rec().Alignement, 1); // the X slider makes a subtitle a centred inlay
    EXPECT_EQ(Rec().Ypos, 100);
    EXPECT_EQ(W().Yslider->value(), 830);
    EXPECT_EQ(Panel().sizeText(), "36");
    EXPECT_TRUE(Panel().bold());
    EXPECT_TRUE(W().Checked("taBold"));
    EXPECT_EQ(Panel().borderCaption(), "");
    EXPECT_FALSE(Panel().decalageEnabled());
    EXPECT_EQ(Panel().differenceText(), "2 hours");
}

TEST_F(Inlay, AutoFromTheListIsNotTheAutomaticSizeButTypedAutoIs) {
    Open();
    auto* size = Panel().findChild<QComboBox*>("cbSize");
    ASSERT_TRUE(size);
    size->setCurrentIndex(size->findText("14")); // the user picks 14
    EXPECT_FALSE(Rec().Autofontsize);
    EXPECT_EQ(Rec().FontRec.Size, 14);
    W().ExecuteToken("inlay_size", "auto");
    EXPECT_TRUE(Rec().Autofontsize);
    size->setCurrentIndex(0); // "auto©"
    EXPECT_EQ(size->currentText(), "auto©");
    EXPECT_FALSE(Rec().Autofontsize);
    EXPECT_EQ(Rec().FontRec.Size, 14); // kept
    W().ExecuteToken("inlay_size", " AUTO ");
    EXPECT_TRUE(Rec().Autofontsize);
    W().ExecuteToken("inlay_size", "36");
    EXPECT_FALSE(Rec().Autofontsize);
    EXPECT_EQ(Rec().FontRec.Size, 36);
    EXPECT_EQ(Panel().sizeText(), "36");
    W().ExecuteToken("inlay_size", "junk"); // the list keeps its text
    EXPECT_EQ(Rec().FontRec.Size, 36);
    W().ExecuteToken("inlay_size", "-4");
    EXPECT_EQ(Rec().FontRec.Size, 36);
    EXPECT_EQ(Drawn(), Rec()); // every edit reaches the renderer
}

TEST_F(Inlay, FontsColoursStylesBordersFormatsAndTemplates) {
    Open();
    const QStringList fonts = Panel().fontNames();
    ASSERT_FALSE(fonts.isEmpty());
    W().ExecuteToken("inlay_font", fonts.last().toUpper());
    EXPECT_EQ(QString::fromStdWString(Rec().FontRec.Name), fonts.last());
    W().ExecuteToken("inlay_font", "No Such Font 123"); // the selected font stays
    EXPECT_EQ(QString::fromStdWString(Rec().FontRec.Name), fonts.last());

    W().ExecuteToken("inlay_color", "clRed");
    EXPECT_EQ(Rec().FontRec.Color, 0x0000FF);
    EXPECT_EQ(Panel().color(), 0x0000FF);
    W().ExecuteToken("inlay_color", "$00FF00");
    EXPECT_EQ(Rec().FontRec.Color, 0x00FF00);
    W().ExecuteToken("inlay_color", "not a colour");
    EXPECT_EQ(Rec().FontRec.Color, 0xFFFFFF);

    W().ExecuteToken("inlay_bold");
    EXPECT_TRUE(Rec().FontRec.Bold);
    EXPECT_TRUE(Panel().bold());
    EXPECT_TRUE(W().Checked("taBold"));
    W().ExecuteToken("inlay_bold");
    EXPECT_FALSE(Rec().FontRec.Bold);
    Panel().findChild<QToolButton*>("tbItalic")->click();
    EXPECT_TRUE(Rec().FontRec.Italic);
    EXPECT_TRUE(W().Checked("taItalic"));
    W().Execute("taUnderlined");
    EXPECT_TRUE(Rec().FontRec.Underline);

    W().ExecuteToken("Border Size", "9");
    EXPECT_EQ(Rec().BorderSize, 9);
    EXPECT_EQ(Panel().borderCaption(), "9");
    W().ExecuteToken("Border Size"); // no argument: nothing
    EXPECT_EQ(Rec().BorderSize, 9);
    Panel().borderMenu()->actions().at(0)->trigger(); // "No border"
    EXPECT_EQ(Rec().BorderSize, 0);
    EXPECT_EQ(Panel().borderCaption(), "");
    Panel().borderMenu()->actions().at(3)->trigger();
    EXPECT_EQ(Rec().BorderSize, 3);

    W().ExecuteToken("datecode1", "yyyy");
    EXPECT_EQ(Rec().FormatDate1, L"yyyy");
    EXPECT_EQ(Panel().dateFormat(1), "yyyy");
    Panel().findChild<QComboBox*>("cbDatecode2")->setCurrentIndex(3); // "ddddd t"
    EXPECT_EQ(Rec().FormatDate2, L"ddddd t");
    W().ExecuteToken("perso1", "Clip %N");
    EXPECT_EQ(Rec().Incrust1, L"Clip %N");
    EXPECT_EQ(Panel().templateText(1), "Clip %N");
    W().ExecuteToken("perso2"); // no argument: the field's text again
    EXPECT_EQ(Rec().Incrust2, L"with Stillpick by Orvane");
    W().ExecuteToken("align_left");
    EXPECT_EQ(Rec().Alignement, 0);
    EXPECT_EQ(Panel().alignment(), 0);
    Panel().findChild<QToolButton*>("tbRightAlign")->click();
    EXPECT_EQ(Rec().Alignement, 2);
    EXPECT_EQ(Drawn(), Rec());
}

TEST_F(Inlay, TheSubtitleButtonCentresTheInlayThroughTheXSlider) {
    Open();
    W().Xslider->setValue(200);
    EXPECT_EQ(Rec().Xpos, 200);
    Panel().findChild<QToolButton*>("tbSousTitre")->click();
    EXPECT_EQ(Rec().Xpos, 500);
    EXPECT_EQ(Rec().Alignement, 1);
    EXPECT_EQ(Panel().alignment(), 1);
    W().Yslider->setValue(100);
    EXPECT_EQ(Rec().Ypos, 830);
    EXPECT_EQ(Drawn().Ypos, 830);
    EXPECT_EQ(Drawn().Xpos, 500);
}

TEST_F(Inlay, KindsSwitchTheInlayOnAndNothingSwitchesItOffKeepingTheRest) {
    Load("raw.dv", "clip.dv");
    const Picture plain = Frame();
    W().ExecuteToken("inlay_number");
    EXPECT_TRUE(W().Checked("taIncruster"));
    EXPECT_EQ(Rec().WhatIncrust, 6);
    EXPECT_FALSE(Panel().decalageEnabled());
    const TincrustRec numbered = Rec();
    const Picture withNumber = Frame();
    const QRect text = Difference(plain, withNumber);
    ASSERT_FALSE(text.isEmpty());
    // Right-aligned at 914/1000 of 720, second line's top at 914/1000 of 576 (28-pixel font).
    EXPECT_LE(text.right(), 658 + 2);
    EXPECT_GE(text.top(), 526 - 2);
    EXPECT_LE(text.bottom(), 526 + 28 + 2);

    W().ExecuteToken("inlay_none");
    EXPECT_FALSE(W().Checked("taIncruster"));
    EXPECT_EQ(Rec().WhatIncrust, 6);
    EXPECT_TRUE(Difference(plain, Frame()).isEmpty());
    W().ExecuteToken("inlay_number");
    EXPECT_TRUE(W().Checked("taIncruster"));
    EXPECT_EQ(Rec(), numbered);
    EXPECT_TRUE(Difference(withNumber, Frame()).isEmpty());

    // The text is drawn on the flipped picture, so it stays readable at its place.
    W().ExecuteToken("vertical_flip");
    W().ExecuteToken("inlay_none");
    const Picture flipped = Frame();
    W().ExecuteToken("inlay_number");
    EXPECT_EQ(Difference(flipped, Frame()), text);
}

TEST_F(Inlay, TypingInTheTextFieldsGivesUpTheVolumeAndPlayKeys) {
    Open();
    auto* edit = Panel().findChild<QLineEdit*>("edPerso1");
    ASSERT_TRUE(edit);
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &in);
    EXPECT_TRUE(W().Action("saIncVolume")->shortcuts().isEmpty());
    EXPECT_TRUE(W().Action("taPlayPause")->shortcut().isEmpty());
    EXPECT_EQ(W().Action("saDecVolume")->shortcuts(), QList<QKeySequence>{QKeySequence("Alt+M")});
    // A pop-up taking the focus for a moment is no leaving.
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(edit, &popup);
    EXPECT_TRUE(W().Action("taPlayPause")->shortcut().isEmpty());
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
    EXPECT_EQ(W().Action("taPlayPause")->shortcut(), QKeySequence(Qt::Key_Space));
    EXPECT_EQ(W().Action("saIncVolume")->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::KeypadModifier | Qt::Key_Plus),
                                   QKeySequence("Alt+P")}));
    EXPECT_EQ(W().Action("saDecVolume")->shortcuts().value(0),
              QKeySequence(Qt::KeypadModifier | Qt::Key_Minus));
    // The date lists' fields too.
    auto* format = Panel().findChild<QComboBox*>("cbDatecode2");
    QFocusEvent again(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(format->lineEdit(), &again);
    EXPECT_TRUE(W().Action("taPlayPause")->shortcut().isEmpty());
}

TEST_F(Inlay, TheTimeDifferenceStartsFromTheRecordingDateTruncatedToTheSecond) {
    Load("raw.dv", "clip.dv");
    W().ExecuteToken("inlay_datecode");
    const double recorded = *EncodeDayCount({2009, 7, 14, 12, 30, 45, 400});
    W().Media->VideoInfo.RecDateValid = true;
    W().Media->VideoInfo.RecDateTime = recorded;
    W().ExecuteToken("decalage");
    ASSERT_TRUE(Panel().decalagePanelShown());
    EXPECT_TRUE(W().Checked("taDecalage"));
    EXPECT_EQ(Panel().newDate(), QDate(2009, 7, 14));
    EXPECT_EQ(Panel().newHour(), 12);
    EXPECT_EQ(Panel().newMinute(), 30);
    EXPECT_EQ(Panel().newSecond(), 45);
    EXPECT_EQ(Rec().DecalageHoraire, 0.0);
    EXPECT_EQ(Panel().differenceText(), "");
    EXPECT_TRUE(Panel().oldDateText().startsWith("Old date: "));
    EXPECT_TRUE(Panel().oldDateText().contains("2009"));

    Panel().findChild<QSpinBox*>("seMinute")->setValue(45);
    EXPECT_EQ(Panel().differenceText(), "0 days 00h 15m 00s");
    Panel().findChild<QPushButton*>("resetBtn")->click();
    EXPECT_EQ(Panel().newMinute(), 30);
    EXPECT_EQ(Rec().DecalageHoraire, 0.0);
    EXPECT_EQ(Panel().differenceText(), "");

    W().ExecuteToken("decalage");
    EXPECT_FALSE(Panel().decalagePanelShown());
    EXPECT_FALSE(W().Checked("taDecalage"));
}

TEST_F(Inlay, ADayLaterInTheEditorWritesTheNextDayIntoThePicture) {
    Load("raw.dv", "clip.dv");
    ASSERT_TRUE(W().Media->VideoInfo.RecDateValid) << "the DV file carries its recording date";
    W().ExecuteToken("inlay_datecode");
    const Picture before = Frame();
    const InlayValues values = W().Media->Superposer()->SampleValues();
    const DateFormatConventions french = FrenchDateFormatConventions();
    const QString today = ComputeInlayLines(Drawn(), values, french).First;
    W().ExecuteToken("decalage");
    ASSERT_TRUE(Panel().decalagePanelShown());
    Panel().dateEditor()->setDate(Panel().newDate().addDays(1));
    EXPECT_EQ(Panel().differenceText(), "1 days 00h 00m 00s");
    EXPECT_NEAR(Rec().DecalageHoraire, 1.0, 1e-9);
    EXPECT_NEAR(Drawn().DecalageHoraire, 1.0, 1e-9);
    const QString tomorrow = ComputeInlayLines(Drawn(), values, french).First;
    EXPECT_EQ(tomorrow, FormatDateTime(u"dddddd", values.RecDateTime + 1, french));
    EXPECT_NE(tomorrow, today);
    EXPECT_FALSE(Difference(before, Frame()).isEmpty()); // the picture shows the new date
}

TEST_F(Inlay, WithoutARecordingDateTheDatecodeHasNothingToCorrect) {
    Load("avi_mjpeg.avi", "clip.avi");
    // (A recording date seen in an earlier file stays valid: none was seen here.)
    W().Media->VideoInfo.RecDateValid = false;
    W().ExecuteToken("inlay_datecode");
    W().ExecuteToken("decalage");
    EXPECT_FALSE(Panel().decalagePanelShown());
    EXPECT_FALSE(W().Checked("taDecalage"));
    // The real date corrects from now.
    W().ExecuteToken("inlay_real");
    W().ExecuteToken("decalage");
    EXPECT_TRUE(Panel().decalagePanelShown());
    EXPECT_EQ(Rec().DecalageHoraire, 0.0);
}

TEST_F(Inlay, TheScriptCommandSetsTheDifferenceInDays) {
    Open();
    W().ExecuteToken("decalage_days", "0.5");
    EXPECT_DOUBLE_EQ(Rec().DecalageHoraire, 0.5);
    EXPECT_DOUBLE_EQ(Drawn().DecalageHoraire, 0.5);
    EXPECT_EQ(Panel().differenceText(), ""); // no label update
    W().ExecuteToken("decalage_days", "junk");
    EXPECT_DOUBLE_EQ(Rec().DecalageHoraire, 0.0);
    // Not a command of the menus or keys.
    EXPECT_TRUE(W().Action("saDecalage")->shortcut().isEmpty());
}

TEST_F(Inlay, ChangingTheInlayWhilePlayingReachesTheRendererAndPlayingGoesOn) {
    Load("avi_mjpeg.avi", "clip.avi");
    W().ExecuteToken("inlay_timestamp");
    W().ExecuteToken("play_pause");
    ASSERT_EQ(W().Media->GetGraphState(), 3);
    for (int i = 0; i < 20; ++i) {
        W().ExecuteToken("Border Size", QString::number(i % 6));
        EXPECT_EQ(Drawn().BorderSize, i % 6);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(W().Media->GetGraphState(), 3);
    const int64_t at = W().Media->GetPosition();
    QElapsedTimer clock;
    clock.start();
    while (W().Media->GetPosition() == at && clock.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_GT(W().Media->GetPosition(), at);
}

// A font size far beyond any frame (a script, the panel or the stored record) is taken at the
// bound: the inlay is drawn and the still saved, instead of a line picture of gigabytes.
TEST_F(Inlay, AnAbsurdFontSizeIsBoundedWhereSetAndWhereDrawn) {
    Load("mpeg1.mpg", "clip.mpg");
    W().ExecuteToken("dest_folder", Path("stills"));
    W().ExecuteToken("inlay");
    ASSERT_TRUE(W().Checked("taIncruster"));
    for (const QString size : {"100000", "$FF00FF"}) {
        W().ExecuteToken("inlay_size", size);
        EXPECT_EQ(Panel().sizeText(), QString::number(kMaxFontSize));
        EXPECT_EQ(Rec().FontRec.Size, kMaxFontSize);
    }
    Panel().setSizeText("2147483647"); // typed into the panel
    EXPECT_EQ(Rec().FontRec.Size, kMaxFontSize);
    W().ExecuteToken("grab");
    EXPECT_EQ(QDir(Path("stills")).entryList(QDir::Files).size(), 1);
    // A stored record is drawn at the bound too.
    TincrustRec stored = Rec();
    stored.FontRec.Size = 100000;
    W().Media->Superposer()->ApplySettings(stored);
    EXPECT_EQ(InlayLineHeight(stored, 352), PointsToPixels(kMaxFontSize));
    EXPECT_EQ(InlayLineHeight(stored, 352), InlayLineHeight(Drawn(), 352));
}

// Every command that takes an argument, given absurd numbers, and then a grab with the inlay on:
// the program answers each at once and still saves the still.
TEST_F(Inlay, EveryArgumentAtAbsurdValuesLeavesTheGrabWorking) {
    Load("mpeg1.mpg", "clip.mpg");
    W().ExecuteToken("dest_folder", Path("stills"));
    W().ExecuteToken("inlay");
    W().ExecuteToken("confirm", "false");
    // Not numbers: a file, a folder or a save mode; "wait" sleeps as long as it is told.
    const QStringList skipped = {"saWait", "saScript", "saOpenFile", "saDossierDest",
                                 "saPreferences"};
    const QStringList values = {
        "100000", "$FF00FF", "-2147483648", "2147483647", "99999999999999999999",
        "-1",     "0",       "1e308"};
    for (const TActionRow& row : ActionTable()) {
        if (!*row.Argument || skipped.contains(row.Name)) continue;
        for (const QString& value : values) {
            QElapsedTimer clock;
            clock.start();
            W().ExecuteToken(QString::fromUtf8(row.Token), value);
            QCoreApplication::processEvents();
            EXPECT_LT(clock.elapsed(), 20'000) << row.Name << " " << value.toStdString();
            EXPECT_FALSE(sp::CommandBusy) << row.Name << " " << value.toStdString();
        }
        QDir(Path("stills")).removeRecursively();
        QDir().mkpath(Path("stills"));
        W().ExecuteToken("grab");
        EXPECT_FALSE(QDir(Path("stills")).isEmpty()) << row.Name;
    }
}

// Every numeric setting stored at absurd values: the program starts, opens a video and grabs.
TEST_F(Inlay, EveryStoredNumberAtAbsurdValuesLeavesTheProgramWorking) {
    for (const int value : {1'000'000'000, -1'000'000'000, INT_MAX, INT_MIN}) {
        Open();
        W().ExecuteToken("save_prefs", "registry");
        for (TParameter* parameter : W().Parameters->Items()) {
            if (auto* p = dynamic_cast<TIntegerParameter*>(parameter)) p->Value = value;
            if (auto* p = dynamic_cast<TByteParameter*>(parameter)) p->Value = uint8_t(value >> 24);
        }
        TincrustRec& rec = W().S->IncrustRec.Value;
        rec.Autofontsize = false;
        for (int32_t* field : {&rec.FontRec.Size, &rec.FontRec.Color, &rec.BorderSize,
                               &rec.BorderColor, &rec.Xpos, &rec.Ypos})
            *field = value;
        rec.WhatIncrust = rec.Alignement = uint8_t(value >> 24);
        W().S->WantIncrust.Value = true;
        W().S->ReducedOn.Value = true; // keeps the stored window size through the close
        W().S->DossierSave.Value = Path("stills");
        ASSERT_TRUE(Close());
        Load("mpeg1.mpg", "clip.mpg");
        QDir(Path("stills")).removeRecursively();
        QDir().mkpath(Path("stills"));
        W().ExecuteToken("confirm", "false");
        W().ExecuteToken("grab");
        EXPECT_FALSE(QDir(Path("stills")).isEmpty()) << value;
        ASSERT_TRUE(Close());
    }
}

} // namespace
} // namespace apptest
