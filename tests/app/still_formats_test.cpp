// Stills in every format through the controller: the same grab as BMP, PNG, WebP, JPEG XL and
// AVIF read back by other programs (pixels, size, depth, EXIF), the extension in the names and
// the overwrite question, the Folders panel's format choice and quality, the stored format, the
// format commands from a script and from the command line, and a run written in the background.

#include "grab_fixture.h"
#include "portable_program.h"

#include "app/panels/extraire_frame.h"
#include "settings/script.h"
#include "settings/still_format.h"
#include "support/file_size_limit.h"
#include "support/still_readback.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>

#include <cmath>

namespace apptest {
namespace {

using namespace sp;
using Overwrite = TShowForm::Overwrite;

std::string Native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

class StillFormats : public GrabTest {
protected:
    // Grabs the current frame with the format command `token` (and its argument) as image
    // number `number`; the file's path.
    QString GrabAs(const QString& token, const QString& argument, const QString& number) {
        W().ExecuteToken(token, argument);
        W().ExecuteToken("add_num", number);
        W().ExecuteToken("grab");
        return W().Widgets().Extraire()->nameText().isEmpty()
                   ? QString()
                   : Image(W().Widgets().Extraire()->nameText());
    }
};

const std::vector<std::string> kExifTags = {"Software", "ImageDescription", "DateTimeOriginal"};

// One DV frame (it carries a recording date) saved in every format: lossless ones are the BMP
// bit for bit, lossy ones close to it (PSNR over R, G, B: WebP 75, JPEG XL 90 and AVIF 60 give
// 29.3, 32.3 and 29.8 dB on this sharp-edged test frame), all 8-bit, all but the BMP with the
// JPEG's EXIF.
TEST_F(StillFormats, TheSameGrabInEveryFormatReadsBackAsTheBmpWithTheJpegsExif) {
    Load("raw.dv", "dv.dv");
    GoTo(25 * kFrame);
    const QString bmp = GrabAs("bmp", "", "0001");
    const QString jpeg = GrabAs("jpeg", "90", "0002");
    const sptest::RgbPicture reference = sptest::decodeStill(Native(bmp));
    ASSERT_GT(reference.width, 0);
    const auto exif = sptest::exifToolTags(Native(jpeg), kExifTags);
    ASSERT_EQ(exif.size(), kExifTags.size()) << "the JPEG lacks a field";
    EXPECT_EQ(exif.at("DateTimeOriginal"), "2009:07:14 15:42:08");

    const struct {
        const char* token;
        const char* quality;
        const char* extension;
        double minPsnr; // +infinity: lossless
    } saves[] = {{"png", "", ".png", INFINITY},    {"webp", "100", ".webp", INFINITY},
                 {"jxl", "100", ".jxl", INFINITY}, {"avif", "100", ".avif", INFINITY},
                 {"webp", "75", ".webp", 27.5},    {"jxl", "90", ".jxl", 30.5},
                 {"avif", "60", ".avif", 28.0}};
    int number = 3;
    for (const auto& save : saves) {
        SCOPED_TRACE(std::string(save.token) + "=" + save.quality);
        const QString path =
            GrabAs(save.token, save.quality, QString("%1").arg(number++, 4, 10, QChar('0')));
        ASSERT_TRUE(path.endsWith(save.extension)) << path.toStdString();
        ASSERT_TRUE(QFileInfo::exists(path));
        const sptest::RgbPicture back = sptest::decodeStill(Native(path));
        ASSERT_EQ(back.width, reference.width);
        ASSERT_EQ(back.height, reference.height);
        if (std::isinf(save.minPsnr))
            EXPECT_TRUE(back.rgb == reference.rgb) << sptest::rgbPsnr(back, reference) << " dB";
        else
            EXPECT_GT(sptest::rgbPsnr(back, reference), save.minPsnr);
        EXPECT_EQ(sptest::stillBitDepth(Native(path)), 8);
        EXPECT_EQ(sptest::exifToolTags(Native(path), kExifTags), exif);
    }
}

TEST_F(StillFormats, NamesAndTheOverwriteQuestionFollowTheFormat) {
    Load("avi_mjpeg.avi", "clip.avi");
    for (const char* extension : {"png", "webp", "jxl", "avif"}) {
        const QString name = QString("shot_0007.%1").arg(extension);
        W().ExecuteToken(extension);
        W().ExecuteToken("add_num", "0007");
        EXPECT_EQ(W().NextImageName, Image(name));
        W().ExecuteToken("grab");
        ASSERT_TRUE(QFileInfo::exists(Image(name)));
        EXPECT_EQ(W().NextImageName, Image(QString("shot_0008.%1").arg(extension)));
        // The same name again: the question names it; No keeps the file and the number.
        const QDateTime written = QFileInfo(Image(name)).lastModified();
        questions_.clear();
        reply = Overwrite::No;
        W().ExecuteToken("add_num", "0007");
        W().ExecuteToken("grab");
        ASSERT_EQ(questions_.size(), 1);
        EXPECT_TRUE(questions_[0].startsWith("The file " + Image(name) + " exists already"));
        EXPECT_EQ(QFileInfo(Image(name)).lastModified(), written);
        EXPECT_EQ(NumberText(), "0007");
    }
    // Nothing half-written is left under any name.
    EXPECT_EQ(SavedFiles(),
              (QStringList{"shot_0007.avif", "shot_0007.jxl", "shot_0007.png", "shot_0007.webp"}));
}

TEST_F(StillFormats, AFailedWriteLeavesNoPartialFileInAnyFormat) {
    Load("avi_mjpeg.avi", "clip.avi");
    for (const char* token : {"png", "webp", "jxl", "avif"}) {
        W().ExecuteToken(token, "100");
        W().ExecuteToken("add_num", "0005");
        warnings.clear();
        {
            sptest::FileSizeLimit full(4096);
            W().ExecuteToken("grab");
        }
        EXPECT_EQ(warnings.size(), 1) << token;
        EXPECT_TRUE(SavedFiles().isEmpty()) << SavedFiles().join(' ').toStdString();
        EXPECT_EQ(NumberText(), "0005");
    }
}

// The panel's choice, its quality slider per format, and the stored format.
TEST_F(StillFormats, ThePanelChoosesTheFormatAndTheSliderFollowsItsQuality) {
    Load("avi_mjpeg.avi", "clip.avi");
    TDossiersFrame* panel = W().Widgets().Dossiers();
    QButtonGroup* group = nullptr;
    for (QRadioButton* button : panel->findChildren<QRadioButton*>())
        if (button->text() == "webp") group = button->group();
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->buttons().size(), 6);
    auto* slider = panel->findChild<QSlider*>("TrackBar1");
    W().ExecuteToken("jpeg", "55");
    group->button(3)->click(); // webp
    EXPECT_EQ(StillFormat(*W().S), ImageFormat::Webp);
    EXPECT_EQ(W().S->IImageExtension.Value, 1); // the described key keeps its JPEG
    EXPECT_TRUE(W().NextImageName.endsWith(".webp"));
    EXPECT_EQ(panel->qualityCaption(), "Quality of webp");
    EXPECT_EQ(panel->quality(), 75);
    slider->setValue(33);
    EXPECT_EQ(W().S->WebpQuality.Value, 33);
    EXPECT_EQ(W().S->JpegQuality.Value, 55);
    group->button(2)->click(); // png: no quality of its own, the slider shows JPEG's
    EXPECT_TRUE(W().NextImageName.endsWith(".png"));
    EXPECT_EQ(panel->qualityCaption(), "Quality of jpeg");
    EXPECT_EQ(panel->quality(), 55);
    W().ExecuteToken("avif", "12");
    EXPECT_EQ(panel->extension(), 5);
    EXPECT_EQ(panel->quality(), 12);
    EXPECT_EQ(W().S->IImageFormat.Value, 5);
    W().ExecuteToken("bmp");
    EXPECT_EQ(W().S->IImageFormat.Value, 0);
    EXPECT_EQ(W().S->IImageExtension.Value, 0);

    // A stored format the program does not know reads as JPEG; none stored follows
    // "iImageExtension".
    W().S->IImageFormat.Value = 42;
    W().ApplyGrabSettings();
    EXPECT_EQ(panel->extension(), 1);
    EXPECT_TRUE(W().NextImageName.endsWith(".jpg"));
    W().S->IImageFormat.Value = kFormatFollowsExtension;
    W().S->IImageExtension.Value = 0;
    W().ApplyGrabSettings();
    EXPECT_EQ(panel->extension(), 0);
    EXPECT_TRUE(W().NextImageName.endsWith(".bmp"));
}

TEST_F(StillFormats, AScriptChoosesFormatsByTokenAndSwitch) {
    Load("avi_mjpeg.avi", "clip.avi");
    TScript& script = *W().Script();
    for (const char* line :
         {"add_num 0001", "webp 80", "grab", "jx=70", "grab", "pn", "grab", "av 40", "grab"})
        script.ParseLine(QString::fromUtf8(line));
    script.Run();
    EXPECT_EQ(SavedFiles(),
              (QStringList{"shot_0001.webp", "shot_0002.jxl", "shot_0003.png", "shot_0004.avif"}));
    EXPECT_EQ(W().S->WebpQuality.Value, 80);
    EXPECT_EQ(W().S->JxlQuality.Value, 70);
    EXPECT_EQ(W().S->AvifQuality.Value, 40);
}

// A run writes its images in the background, in the chosen format.
TEST_F(StillFormats, AnIntervalRunSavesInTheChosenFormat) {
    Load("interval_10s.avi", "ten.avi");
    W().ExecuteToken("png");
    W().ExecuteToken("add_num", "0001");
    W().S->ValeurIntervallometre.Value = 4;
    W().S->UnitesIntervallometre.Value = 1; // seconds
    if (W().Checked("taModePrecision")) W().Execute("taModePrecision");
    W().Execute("taIntervalloGo");
    ASSERT_TRUE(WaitUntil([this] { return !W().IntervalRunning(); }));
    const QStringList files = SavedFiles();
    ASSERT_GE(files.size(), 3);
    for (const QString& file : files)
        EXPECT_TRUE(file.endsWith(".png")) << file.toStdString();
    const auto references = sptest::ffmpegFrames(MediaPath("interval_10s.avi"), 0, 110);
    EXPECT_TRUE(IsFrame(references, 100, LoadSaved(Image("shot_0002.png")))); // at 4 seconds
}

TEST(StillFormatsProgram, TheCommandLineChoosesTheFormatAndTheSettingsKeepIt) {
    PortableProgram program;
    const QString clip = program.CopyMedia("avi_mjpeg.avi", "clip.avi");
    QProcess run;
    program.Start(run, {"+open=" + clip, "+dest_folder=" + program.Path("out"), "+rootname=s",
                        "+add_num=01", "+wp=60", "+g", "+avif=100", "+g", "+jx", "+g", "+q"});
    ASSERT_TRUE(run.waitForFinished(120000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    EXPECT_EQ(QDir(program.Path("out")).entryList(QDir::Files, QDir::Name),
              (QStringList{"s_01.webp", "s_02.avif", "s_03.jxl"}));
    const QString text = program.IniText();
    for (const char* entry : {"iImageFormat=4", "WebpQuality=60", "AvifQuality=100"})
        EXPECT_TRUE(text.contains(entry)) << entry;
}

} // namespace
} // namespace apptest
