// Grabbing and saving: the image size and size label, the exact frame in the file, numbering
// and its wrap, the overwrite question, timestamp names, the mouse on the video, the naming
// commands and both cuts of the root, failed writes, EXIF, the clipboard and the image folder.

#include "grab_fixture.h"

#include "app/panels/bottom_strip.h"
#include "app/panels/extraire_frame.h"
#include "app/panels/options_frame.h"
#include "app/panels/top_bar.h"
#include "app/video_view.h"
#include "filters/deinterlacer.h"
#include "support/file_size_limit.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

#include <memory>

namespace apptest {
namespace {

using namespace sp;
using Overwrite = TShowForm::Overwrite;

class Grab : public GrabTest {
protected:
    void SaveOnClick(bool on) {
        if (W().Checked("taSauverQuandClic") != on) W().ExecuteToken("save_click");
        ASSERT_EQ(W().S->SauverQuandClic.Value, on);
    }
    void Force(int aspect) {
        W().S->ForcerAspectRatio.Value = aspect;
        W().ChooseDisplayAspect(W().Media->VideoInfo);
    }
};

TEST_F(Grab, A16x9FrameIsSavedAt720x405AndNativeAt720x576ShowingTheFrameOnScreen) {
    Load("raw.dv", "dv.dv");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_num", "0001");
    W().ShowPanel(0);
    Force(2);
    GoTo(25 * kFrame);
    W().ExecuteToken("grab");
    EXPECT_EQ(W().Widgets().TopBar->sizeText(), "720 x 576  =>  720 x 405 [16x9}");
    const std::string dv = MediaPath("raw.dv");
    const auto references = sptest::ffmpegFrames(dv, 0, 30);
    const QImage wide = LoadSaved(Image("shot_0001.bmp"));
    EXPECT_EQ(wide.size(), QSize(720, 405));
    EXPECT_TRUE(IsFrame(references, 25, wide));
    // After the save: the Grab panel shows it saved, the number and the next name moved on.
    TExtraireFrame* panel = W().Widgets().Extraire();
    EXPECT_EQ(W().S->PanneauActif.Value, 2);
    EXPECT_EQ(panel->timecodeText(), "0:00:01:00");
    EXPECT_EQ(panel->sizeText(), "720 x 405");
    EXPECT_EQ(panel->nameText(), "shot_0001.bmp");
    EXPECT_EQ(panel->nameColour(), QColor(0xC0, 0xDC, 0xC0));
    EXPECT_FALSE(panel->highlightVisible());
    EXPECT_EQ(NumberText(), "0002");
    EXPECT_EQ(W().NextImageName, Image("shot_0002.bmp"));
    EXPECT_EQ(W().Widgets().BottomStrip->nextImageNameColor(), TBottomStrip::kNewColor);

    Force(3);
    GoTo(10 * kFrame);
    W().ExecuteToken("grab");
    EXPECT_EQ(W().Widgets().TopBar->sizeText(), "720 x 576  =>  720 x 576 [native]");
    const QImage native = LoadSaved(Image("shot_0002.bmp"));
    EXPECT_EQ(native.size(), QSize(720, 576));
    EXPECT_TRUE(sptest::showsFrame(dv, 10, ViewOf(native)));
    Force(1);
    W().CaptureFrameAndSizes();
    EXPECT_EQ(W().Widgets().TopBar->sizeText(), "720 x 576  =>  720 x 540 [4x3]");
    EXPECT_EQ(TShowForm::SizeLabelText({0, 576}, {0, 0}, 2), "");
}

TEST_F(Grab, ASnapshotKeepsItsPictureWhenTheFrameIsCapturedAgain) {
    // At the native size the saved image and the captured frame are one picture in memory; a
    // later capture (an aspect change, a new stream) must not write into the snapshot.
    Load("raw.dv", "dv.dv");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_num", "0001");
    Force(3);
    const std::string dv = MediaPath("raw.dv");
    GoTo(10 * kFrame);
    W().ExecuteToken("grab");
    GoTo(30 * kFrame);
    W().CaptureFrameAndSizes();
    EXPECT_TRUE(sptest::showsFrame(dv, 30, ViewOf(W().CapturedFrame)));
    EXPECT_TRUE(sptest::showsFrame(dv, 10, ViewOf(W().SnapshotOutput())));
    EXPECT_TRUE(sptest::showsFrame(dv, 10, ViewOf(W().Widgets().Extraire()->picture())));
    EXPECT_TRUE(sptest::showsFrame(dv, 10, ViewOf(LoadSaved(Image("shot_0001.bmp")))));
    // The next snapshot takes the new frame everywhere; the file of the first stays as it was.
    W().ExecuteToken("grab");
    EXPECT_TRUE(sptest::showsFrame(dv, 30, ViewOf(W().Widgets().Extraire()->picture())));
    EXPECT_TRUE(sptest::showsFrame(dv, 30, ViewOf(LoadSaved(Image("shot_0002.bmp")))));
    EXPECT_TRUE(sptest::showsFrame(dv, 10, ViewOf(LoadSaved(Image("shot_0001.bmp")))));
}

TEST_F(Grab, TheNumberWrapsAtItsDigitsAndTheOverwriteQuestionIsObeyed) {
    Load("avi_mjpeg.avi", "clip.avi");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_num", "9999");
    W().ExecuteToken("grab");
    ASSERT_TRUE(QFileInfo::exists(Image("shot_9999.bmp")));
    EXPECT_EQ(NumberText(), "0000");
    EXPECT_TRUE(W().NextImageName.endsWith("/shot_0000.bmp"));
    EXPECT_EQ(W().ImageNumber, 0);

    // An existing file: No keeps it and the number; Cancel aborts.
    ASSERT_TRUE(W().S->ConfirmerImage.Value);
    W().ExecuteToken("add_num", "9999");
    const QDateTime written = QFileInfo(Image("shot_9999.bmp")).lastModified();
    GoTo(30 * kFrame);
    reply = Overwrite::No;
    W().ExecuteToken("grab");
    ASSERT_EQ(questions_.size(), 1);
    EXPECT_TRUE(questions_[0].startsWith("The file " + Image("shot_9999.bmp") + " exists already"));
    EXPECT_EQ(NumberText(), "9999");
    EXPECT_EQ(QFileInfo(Image("shot_9999.bmp")).lastModified(), written);
    reply = Overwrite::Cancel;
    W().AbortRequested = false;
    EXPECT_EQ(W().ConfirmAndSaveImage(), TShowForm::SaveResult::Cancelled);
    EXPECT_TRUE(W().AbortRequested);

    // Yes to All saves and asks no more.
    reply = Overwrite::YesToAll;
    W().ExecuteToken("grab");
    EXPECT_EQ(questions_.size(), 3);
    EXPECT_FALSE(W().S->ConfirmerImage.Value);
    EXPECT_FALSE(W().Checked("taConfirmerImages"));
    EXPECT_FALSE(W().Widgets().Options()->option(TOptionsFrame::ConfirmerImage));
    const auto references = sptest::ffmpegFrames(MediaPath("avi_mjpeg.avi"), 0, 40);
    EXPECT_TRUE(IsFrame(references, 30, LoadSaved(Image("shot_9999.bmp"))));
    W().ExecuteToken("add_num", "9999");
    W().ExecuteToken("grab");
    EXPECT_EQ(questions_.size(), 3);
    EXPECT_EQ(NumberText(), "0000");
}

TEST_F(Grab, TwoTimestampGrabsAtOnePositionShareANameAndOffscreenNothingIsOverwritten) {
    Load("avi_mjpeg.avi", "clip.avi");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_time");
    EXPECT_FALSE(W().Widgets().Dossiers()->findChild<QLineEdit*>("numEdit")->isEnabled());
    GoTo(kSecond + 12 * kFrame);
    W().ExecuteToken("grab");
    const QString name = Image("shot_0.00.01.12.bmp");
    ASSERT_TRUE(QFileInfo::exists(name));
    EXPECT_EQ(W().NextImageName, name);
    EXPECT_EQ(W().Widgets().BottomStrip->nextImageNameColor(), TBottomStrip::kExistsColor);
    EXPECT_EQ(NumberText(), "0001"); // timestamp names leave the number alone
    const QDateTime written = QFileInfo(name).lastModified();
    // The program's own question, with no one to answer it: No, said on stderr.
    W().AskOverwrite = [this](const QString& text) { return W().AskOverwriteBox(text); };
    testing::internal::CaptureStderr();
    W().ExecuteToken("grab");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("not overwritten"), std::string::npos) << said;
    EXPECT_EQ(QFileInfo(name).lastModified(), written);
    EXPECT_EQ(SavedFiles().size(), 1);
}

TEST_F(Grab, ShiftClickSavesAPlainClickOnlyWhenAskedAndARightClickNeverGrabs) {
    Load("avi_mjpeg.avi", "clip.avi");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_num", "0001");
    SaveOnClick(false);
    QWidget* view = W().Widgets().View();
    GoTo(20 * kFrame);
    QTest::mousePress(view, Qt::RightButton);
    EXPECT_EQ(W().Widgets().Extraire()->timecodeText(), "");
    QTest::mousePress(view, Qt::LeftButton);
    EXPECT_EQ(W().Widgets().Extraire()->timecodeText(), "0:00:00:20");
    EXPECT_TRUE(W().SnapshotUnsaved);
    EXPECT_TRUE(SavedFiles().isEmpty());
    QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(SavedFiles(), QStringList{"shot_0001.bmp"});
    SaveOnClick(true);
    EXPECT_TRUE(W().S->SauverQuandClic.Value);
    QTest::mousePress(view, Qt::LeftButton);
    EXPECT_EQ(SavedFiles(), (QStringList{"shot_0001.bmp", "shot_0002.bmp"}));
    // The name label saves the last snapshot; the picture goes back to its time.
    GoTo(40 * kFrame);
    SaveOnClick(false);
    QTest::mousePress(view, Qt::LeftButton);
    GoTo(60 * kFrame);
    W().ConfirmAndSaveImage(); // as a click on the name label
    EXPECT_EQ(SavedFiles().size(), 3);
    emit W().Widgets().Extraire()->pictureClicked();
    EXPECT_EQ(W().Media->LastPosition, 40 * kFrame);
    const auto references = sptest::ffmpegFrames(MediaPath("avi_mjpeg.avi"), 0, 45);
    EXPECT_TRUE(IsFrame(references, 40, LoadSaved(Image("shot_0003.bmp"))));
}

TEST_F(Grab, NamingCommandsAndBothCutsOfTheRoot) {
    Open();
    W().ExecuteToken("dest_folder", Images());
    W().ExecuteToken("rootname", "abc");
    EXPECT_EQ(W().ImageRoot, "Stillpick"); // no file loaded
    EXPECT_EQ(W().S->DefaultRacine.Value, "abc");
    W().ExecuteToken("filename");
    W().LoadVideoFile(Copy("avi_mjpeg.avi", "my.holiday.avi"));
    EXPECT_EQ(W().ImageRoot, "my"); // at loading: up to the first dot
    W().ExecuteToken("filename");
    EXPECT_EQ(W().ImageRoot, "my.holiday"); // after a change: without the last extension
    W().ExecuteToken("filename", "3");
    EXPECT_TRUE(W().S->LimiterLongueur.Value);
    EXPECT_EQ(W().S->IRacineLength.Value, 3);
    EXPECT_EQ(W().ImageRoot, "my.");
    W().ExecuteToken("filename", "0");
    EXPECT_FALSE(W().S->LimiterLongueur.Value);
    EXPECT_EQ(W().ImageRoot, "my.holiday");
    W().ExecuteToken("rootname");
    EXPECT_EQ(W().ImageRoot, "abc");
    EXPECT_EQ(W().S->INomFichierImage.Value, 0);

    // Numbers: a wrong argument changes nothing but the mode; digits follow the text.
    W().ExecuteToken("add_time");
    W().ExecuteToken("add_num", "12a");
    EXPECT_EQ(W().S->IImageAjouter.Value, 0);
    EXPECT_EQ(NumberText(), "0001");
    W().ExecuteToken("add_num", " 00042 ");
    EXPECT_EQ(W().S->Digits.Value, 5);
    EXPECT_EQ(W().ImageNumber, 42);
    EXPECT_EQ(W().NextImageName, Image("abc_00042.jpg"));
    auto* number = W().Widgets().Dossiers()->findChild<QLineEdit*>("numEdit");
    number->clear();
    QTest::keyClicks(number, "007");
    EXPECT_EQ(W().S->Digits.Value, 3);
    EXPECT_EQ(W().ImageNumber, 7);
    EXPECT_EQ(W().NextImageName, Image("abc_007.jpg"));
    W().ExecuteToken("add_num", "123456789012");
    EXPECT_EQ(W().ImageNumber, 123456789012);
}

TEST_F(Grab, FormatQualityAndFolderCommands) {
    Load("avi_mjpeg.avi", "clip.avi");
    W().ExecuteToken("jpeg", "75");
    EXPECT_EQ(W().S->IImageExtension.Value, 1);
    EXPECT_EQ(W().S->JpegQuality.Value, 75);
    EXPECT_EQ(W().Widgets().Dossiers()->quality(), 75);
    EXPECT_EQ(W().Widgets().Dossiers()->qualityText(), "75");
    EXPECT_TRUE(W().NextImageName.endsWith(".jpg"));
    W().ExecuteToken("jpeg", "");
    EXPECT_EQ(W().S->JpegQuality.Value, 75);
    W().ExecuteToken("bmp");
    EXPECT_EQ(W().Widgets().Dossiers()->extension(), 0);
    EXPECT_TRUE(W().NextImageName.endsWith(".bmp"));

    W().ExecuteToken("dest_folder", "");
    EXPECT_EQ(warnings, QStringList{"Unable to create directory"});
    EXPECT_EQ(W().S->DossierSave.Value, Images());
    const QString nested = Path("a/b/c");
    W().ExecuteToken("dest_folder", nested);
    EXPECT_TRUE(QFileInfo(nested).isDir());
    EXPECT_EQ(W().Widgets().Dossiers()->folder(), nested);
    W().ExecuteToken("grab");
    EXPECT_EQ(QDir(nested).entryList(QDir::Files).size(), 1);
}

TEST_F(Grab, AWriteThatFailsShowsTheReasonAndChangesNoNameNumberOrLabel) {
    Load("avi_mjpeg.avi", "clip.avi");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_num", "0005");
    ASSERT_TRUE(QDir(Images()).removeRecursively());
    W().ExecuteToken("grab"); // a grab does not create the folder
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(Image("shot_0005.bmp"))) << warnings[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(Images()));
    EXPECT_EQ(NumberText(), "0005");
    EXPECT_EQ(W().NextImageName, Image("shot_0005.bmp"));
    EXPECT_TRUE(W().SnapshotUnsaved);

    // A full disk: no half image is left behind.
    QDir().mkpath(Images());
    {
        sptest::FileSizeLimit full(4096);
        W().ExecuteToken("grab");
    }
    EXPECT_EQ(warnings.size(), 2);
    EXPECT_TRUE(SavedFiles().isEmpty()) << SavedFiles().join(' ').toStdString();
    EXPECT_EQ(NumberText(), "0005");
    W().ExecuteToken("grab");
    EXPECT_EQ(SavedFiles(), QStringList{"shot_0005.bmp"});
}

TEST_F(Grab, AJpegCarriesTheRecordingDateAfterTheTimeDifferenceTheProgramAndThePosition) {
    Load("raw.dv", "dv.dv");
    W().ExecuteToken("jpeg", "90");
    W().ExecuteToken("add_num", "0001");
    W().S->IncrustRec.Value.DecalageHoraire = 1.0 / 24; // one hour later
    GoTo(25 * kFrame);
    W().ExecuteToken("grab");
    const QString dv = Image("shot_0001.jpg");
    EXPECT_EQ(ExifField(dv, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL), "2009:07:14 16:42:08");
    EXPECT_EQ(ExifField(dv, EXIF_IFD_0, EXIF_TAG_SOFTWARE), "Stillpick");
    EXPECT_EQ(ExifField(dv, EXIF_IFD_0, EXIF_TAG_IMAGE_DESCRIPTION), "0:00:01:00");
    EXPECT_EQ(LoadSaved(dv).size(), QSize(720, 405));
    // A video without recording dates: none, even right after a DV file.
    W().LoadVideoFile(Copy("avi_mjpeg.avi", "clip.avi"));
    W().ExecuteToken("rootname", "shot");
    W().ExecuteToken("grab");
    const QString plain = Image("shot_0002.jpg");
    ASSERT_TRUE(QFileInfo::exists(plain));
    EXPECT_EQ(ExifField(plain, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL), "");
    EXPECT_EQ(ExifField(plain, EXIF_IFD_0, EXIF_TAG_SOFTWARE), "Stillpick");
}

TEST_F(Grab, DeinterlacingRepairsTheSavedImageOnly) {
    Load("avi_dv_type2.avi", "dv.avi");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_num", "0001");
    Force(3); // native size: the repair is not mixed up with the stretching
    if (W().S->InternalDeinterlacer.Value) W().ExecuteToken("deinterlace");
    ASSERT_FALSE(W().S->InternalDeinterlacer.Value);
    GoTo(20 * kFrame);
    W().ExecuteToken("grab");
    W().ExecuteToken("deinterlace");
    ASSERT_TRUE(W().S->InternalDeinterlacer.Value);
    W().ExecuteToken("grab");
    QImage expected = LoadSaved(Image("shot_0001.bmp"));
    const QImage plain = expected.copy();
    Deinterlacer deinterlacer;
    ASSERT_TRUE(deinterlacer.Deinterlace(
        ConstFrameView(plain.constBits(), plain.width(), plain.height(), plain.bytesPerLine()),
        FrameView{expected.bits(), expected.width(), expected.height(), expected.bytesPerLine(),
                  32}));
    EXPECT_NE(plain, expected); // the clip's moving edges do comb here and there
    EXPECT_EQ(LoadSaved(Image("shot_0002.bmp")), expected);
    // The preview shows the saved image.
    EXPECT_EQ(W().Widgets().Extraire()->picture().convertToFormat(QImage::Format_RGB32), expected);
}

// A vertical flip is an exact mirror of the saved image, also with combs repaired: the repair
// keeps to the same field of the video however the picture is turned.
TEST_F(Grab, AVerticallyFlippedStillIsTheMirroredStillWithCombsRepaired) {
    Load("avi_dv_type2.avi", "dv.avi");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_num", "0001");
    Force(3);
    if (!W().S->InternalDeinterlacer.Value) W().ExecuteToken("deinterlace");
    GoTo(20 * kFrame);
    W().ExecuteToken("grab");
    W().ExecuteToken("vertical_flip");
    W().ExecuteToken("grab");
    const QImage plain = LoadSaved(Image("shot_0001.bmp"));
    ASSERT_FALSE(plain.isNull());
    EXPECT_NE(plain, plain.mirrored(false, true));
    EXPECT_EQ(LoadSaved(Image("shot_0002.bmp")), plain.mirrored(false, true));
}

TEST_F(Grab, CopyPutsTheSnapshotOnTheClipboardAndWritesNothing) {
    Load("avi_mjpeg.avi", "clip.avi");
    GoTo(50 * kFrame);
    W().ExecuteToken("copy");
    const QImage copied =
        QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(copied.size(), QSize(320, 240));
    EXPECT_TRUE(sptest::showsFrame(MediaPath("avi_mjpeg.avi"), 50, ViewOf(copied)));
    EXPECT_TRUE(SavedFiles().isEmpty());
}

TEST_F(Grab, TheImageFolderOpensOnTheNextImageOrTheFirstOfItsRootOrTheFolder) {
    Load("avi_mjpeg.avi", "clip.avi");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_num", "0001");
    W().ExecuteToken("folder");
    EXPECT_EQ(browsed, QStringList{Images() + "/"});
    W().ExecuteToken("grab");
    W().ExecuteToken("folder");
    EXPECT_EQ(browsed.last(), Image("shot_0001.bmp"));
    W().ExecuteToken("add_num", "0007");
    emit W().Widgets().BottomStrip->clicked();
    EXPECT_EQ(browsed.last(), Image("shot_0001.bmp"));
    EXPECT_EQ(browsed.size(), 3);
}

// Opening another file clears the Grab panel: its name label then saves nothing under the new
// file's name, and its picture does not send the new file to the old time.
TEST_F(Grab, AnotherFileClearsTheGrabPanel) {
    Load("avi_mjpeg.avi", "first.avi");
    TExtraireFrame& panel = *W().Widgets().Extraire();
    EXPECT_EQ(panel.pictureHint(), "Click to return the video file to this position");
    GoTo(kSecond);
    W().ExecuteToken("copy"); // a snapshot, not saved
    ASSERT_FALSE(panel.picture().isNull());
    ASSERT_EQ(panel.timecodeText(), "0:00:01:00");
    W().LoadVideoFile(Copy("avi_mjpeg.avi", "second.avi"));
    ASSERT_TRUE(W().Media->HasVideo());
    EXPECT_TRUE(panel.picture().isNull());
    EXPECT_EQ(panel.timecodeText(), "");
    EXPECT_EQ(panel.sizeText(), "");
    EXPECT_EQ(panel.nameText(), "");
    EXPECT_EQ(panel.pictureHint(), "Click to return the video file to this position");
    emit panel.nameClicked();
    EXPECT_TRUE(SavedFiles().isEmpty()) << SavedFiles().join(' ').toStdString();
    emit panel.pictureClicked();
    EXPECT_EQ(W().Media->LastPosition, 0);
    W().ExecuteToken("vide");
    EXPECT_EQ(panel.pictureHint(), "");
}

} // namespace
} // namespace apptest
