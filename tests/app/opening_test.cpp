// Opening a video: patterns and the script loop, the builder cache, the transport-stream speed
// rule, side-file indicators, the image root, paste and drop, and the failure messages.

#include "app_fixture.h"

#include "app/panels/title_strip.h"
#include "settings/script.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

namespace apptest {
namespace {

using namespace sp;

QString Loaded(TShowForm& w) {
    return QString::fromStdString(w.CurrentBuilder->FileName);
}

class Opening : public AppTest {};

TEST_F(Opening, APatternOpensTheFirstMatchAndTheScriptLoopVisitsEachOnce) {
    const QString a = Copy("avi_mjpeg.avi", "b.avi");
    const QString b = Copy("avi_mjpeg.avi", "a.AVI");
    Copy("mpeg1.mpg", "c.mpg");
    Open();
    QStringList seen;
    QObject::connect(&W(), &TShowForm::ImageRootChanged, [&] { seen << Loaded(W()); });
    TScript& script = *W().Script();
    script.ParseLine(QString("open \"%1\"").arg(Path("clips/*.avi")));
    script.ParseLine(u"frame_forward");
    script.ParseLine(u"next");
    script.ParseLine(u"second_forward");
    script.Run();
    EXPECT_EQ(seen, (QStringList{b, a}));
    EXPECT_FALSE(sp::CommandBusy);
    // A pattern matching nothing opens nothing and leaves the file loaded.
    W().ExecuteToken("open", Path("clips/*.mkv"));
    EXPECT_EQ(Loaded(W()), a);
}

TEST_F(Opening, OpeningAPathAgainReusesItsBuilder) {
    const QString clip = Copy("three_audio.avi", "clip with blanks é.avi");
    Open();
    W().LoadVideoFile(clip);
    TGrabBuilder* first = W().CurrentBuilder;
    ASSERT_TRUE(W().Media->HasVideo());
    W().ExecuteToken("vide");
    EXPECT_EQ(W().CurrentBuilder, W().EmptyBuilder.get());
    EXPECT_FALSE(W().Timer1.isActive());
    W().LoadVideoFile(clip);
    EXPECT_EQ(W().CurrentBuilder, first);
    EXPECT_EQ(W().BuilderCache.size(), 1u);
    EXPECT_TRUE(W().Timer1.isActive());
}

TEST_F(Opening, TheTransportStreamRuleSwitchesMaximumSpeedBothWays) {
    const QString ts = Copy("avchd.m2ts", "a.M2TS");
    const QString avi = Copy("avi_mjpeg.avi", "b.avi");
    Open();
    W().S->MtsEnVitesseMaxi.Value = true;
    W().LoadVideoFile(ts);
    EXPECT_TRUE(W().S->VitesseMaxi.Value);
    EXPECT_TRUE(W().Checked("taVitesseMaxi"));
    EXPECT_FALSE(W().Media->HasAudio());
    W().LoadVideoFile(avi);
    EXPECT_FALSE(W().S->VitesseMaxi.Value);
    EXPECT_TRUE(W().Media->HasAudio());
    // With the rule off, opening leaves the mode as it is.
    W().S->MtsEnVitesseMaxi.Value = false;
    W().LoadVideoFile(ts);
    EXPECT_FALSE(W().S->VitesseMaxi.Value);
}

TEST_F(Opening, SideFileIndicatorsShowWhatLiesBesideTheFile) {
    const QString mts = Copy("avchd.m2ts", "clip.mts");
    for (const char* side : {"clip.scn", "clip.srt", "clip.mts.modd"}) {
        QFile f(Path(QString("clips/") + side));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString other = Copy("avi_mjpeg.avi", "other.avi");
    QFile(Path("clips/other.modd")).open(QIODevice::WriteOnly);
    Open();
    TTitleStrip* strip = W().Widgets().TitleStrip;
    W().LoadVideoFile(mts);
    EXPECT_TRUE(strip->sideFileShown(TTitleStrip::Scn));
    EXPECT_TRUE(strip->sideFileShown(TTitleStrip::Srt));
    EXPECT_TRUE(strip->sideFileShown(TTitleStrip::Modd));
    EXPECT_EQ(strip->fileText(), "clip.mts");
    W().LoadVideoFile(other);
    EXPECT_FALSE(strip->sideFileShown(TTitleStrip::Scn));
    EXPECT_FALSE(strip->sideFileShown(TTitleStrip::Modd)); // other.modd is not other.avi.modd
}

TEST_F(Opening, TheImageRootIsTheNameBeforeItsFirstDot) {
    const QString clip = Copy("avi_mjpeg.avi", "my.holiday.avi");
    Open();
    W().S->INomFichierImage.Value = 1;
    W().LoadVideoFile(clip);
    EXPECT_EQ(W().ImageRoot, "my");
    W().S->LimiterLongueur.Value = true;
    W().S->IRacineLength.Value = 1;
    W().LoadVideoFile(clip);
    EXPECT_EQ(W().ImageRoot, "m");
    W().S->INomFichierImage.Value = 0;
    W().S->DefaultRacine.Value = "Root";
    W().LoadVideoFile(clip);
    EXPECT_EQ(W().ImageRoot, "Root");
}

TEST_F(Opening, PasteWarnsBeforeLoadingAndDropAfter) {
    const QString first = Copy("avi_mjpeg.avi", "first.avi");
    const QString second = Copy("mpeg1.mpg", "second.mpg");
    Open();
    QStringList order;
    W().ShowWarning = [&](const QString& text) { order << text + " / " + Loaded(W()); };
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    QGuiApplication::clipboard()->setMimeData(data);
    W().ExecuteToken("Paste");
    EXPECT_EQ(Loaded(W()), first);
    W().ExecuteToken("vide");
    W().DropFiles({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    EXPECT_EQ(Loaded(W()), first);
    EXPECT_EQ(order, (QStringList{"Only one file is activated. / ",
                                  "Only one file is activated. / " + first}));
    // Without a file list on the clipboard the command turns itself off.
    QGuiApplication::clipboard()->setText("no files");
    W().ExecuteToken("Paste");
    EXPECT_FALSE(W().Action("saPaste")->isEnabled());
}

TEST_F(Opening, FailuresAreReportedOnlyWhenErrorsAreShown) {
    const QString text = Copy("not_a_video.mpg", "text.mpg");
    const QString damaged = Copy("damaged_overwritten.avi", "damaged.avi");
    Open();
    W().ExecuteToken("show_errors"); // on by default: turned off
    W().LoadVideoFile(text);
    W().LoadVideoFile(damaged);
    W().LoadVideoFile(Path("clips/vanished.avi"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(W().CurrentBuilder, W().EmptyBuilder.get());
    EXPECT_FALSE(W().Media->HasVideo());

    W().ExecuteToken("show_errors");
    W().LoadVideoFile(text);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("The file <color Maroon>" + text +
                                     "</color> has not been "
                                     "recognized by Stillpick on your system."));
    EXPECT_TRUE(errors[0].endsWith("have been installed."));
    EXPECT_EQ(W().Widgets().TitleStrip->fileText(), "No video file");
}

// Only "*" and "?" are wildcards: a path without them names exactly that file, whatever brackets,
// braces or other characters its name holds, and a neighbour the name would match as a character
// class is left alone.
TEST_F(Opening, NamesWithPatternLookalikesOpenThatVeryFile) {
    Copy("mpeg1.mpg", "clip1.avi");
    const QStringList names = {"clip[1].avi",       "clip{1,2}.avi",  "#1 100% 'x' \"y\".avi",
                               "-leading dash.avi", "été ñ 動画.avi", "[a-z].avi"};
    for (const QString& name : names)
        Copy("avi_mjpeg.avi", name);
    Open();
    for (const QString& name : names) {
        W().ExecuteToken("open", Path("clips/" + name));
        EXPECT_EQ(Loaded(W()), Path("clips/" + name)) << name.toStdString();
        EXPECT_TRUE(W().Media->HasVideo()) << name.toStdString();
    }
    // A wildcard pattern keeps matching, brackets taken as they are.
    W().ExecuteToken("vide");
    W().ExecuteToken("open", Path("clips/clip?1?.*"));
    EXPECT_EQ(Loaded(W()), Path("clips/clip[1].avi"));
    W().ExecuteToken("vide");
    W().ExecuteToken("open", Path("clips/clip[2].avi"));
    EXPECT_EQ(W().CurrentBuilder, W().EmptyBuilder.get());
}

// The README's script, run as "+script=FILE": the loop goes back into the script, not into the
// command line that started it, and every file is done once.
TEST_F(Opening, AScriptStartedFromTheCommandLineLoopsOverEveryFile) {
    QStringList clips;
    for (const char* name : {"a.avi", "b.avi", "c.avi"})
        clips << Copy("avi_mjpeg.avi", name);
    const QString images = Path("stills");
    QDir().mkpath(images);
    const QString script = Path("grab-every-10s.txt");
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QString("open \"%1\"\ndest_folder \"%2\"\nintervallo \"10 Seconds\"\nnext\nquit\n")
                   .arg(Path("clips/*.avi"), images)
                   .toUtf8());
    file.close();
    window_ = std::make_unique<TShowForm>();
    window_->AskSaveMode = [] { return std::optional<TPrefsMode>(pmNone); };
    window_->ShowErrorReport = [this](const QString& text) { errors << text; };
    QStringList seen;
    QObject::connect(window_.get(), &TShowForm::ImageRootChanged, [&] { seen << Loaded(W()); });
    window_->CreateRunners({"+script=" + script});
    window_->show();
    window_->RunCommandLine();
    EXPECT_EQ(seen, clips);
    EXPECT_EQ(QDir(images).entryList(QDir::Files).size(), clips.size());
    EXPECT_FALSE(W().isVisible()); // "quit" closed the window
    // A "next" on the command line still goes back to the command after its "open".
    seen.clear();
    Close();
    window_ = std::make_unique<TShowForm>();
    window_->AskSaveMode = [] { return std::optional<TPrefsMode>(pmNone); };
    QObject::connect(window_.get(), &TShowForm::ImageRootChanged, [&] { seen << Loaded(W()); });
    window_->CreateRunners({"+open=" + Path("clips/*.avi"), "+frame_forward", "+next"});
    window_->show();
    window_->RunCommandLine();
    EXPECT_EQ(seen, clips);
}

// A folder loop that meets a file that is not a video reports it and goes on; on that file no
// command takes a picture, so no still of the file before is rewritten.
TEST_F(Opening, AnUnreadableFileInALoopIsReportedAndNothingIsShotForIt) {
    Copy("avi_mjpeg.avi", "a1.avi");
    Copy("mpeg1.mpg", "a2.mpg");
    Copy("not_a_video.mpg", "a3.mpg");
    Copy("avi_mjpeg.avi", "a4.avi");
    const QString images = Path("stills");
    QDir().mkpath(images + "/before");
    Open();
    W().ExecuteToken("dest_folder", images);
    W().ExecuteToken("filename"); // stills named after their videos
    // When the bad file is reported, the stills so far are put aside: any later still of a1 or
    // a2 would be a rewrite.
    W().ShowErrorReport = [&](const QString& text) {
        errors << text;
        for (const QString& name : QDir(images).entryList(QDir::Files))
            QFile::rename(images + "/" + name, images + "/before/" + name);
    };
    TScript& script = *W().Script();
    script.ParseLine(u"-confirm");
    script.ParseLine(QString("open \"%1\"").arg(Path("clips/a*.*")));
    script.ParseLine(u"intervallo \"5 Seconds\"");
    script.ParseLine(u"grab");
    script.ParseLine(u"copy");
    script.ParseLine(u"next");
    script.Run();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("a3.mpg"));
    const QStringList before = QDir(images + "/before").entryList(QDir::Files);
    const QStringList after = QDir(images).entryList(QDir::Files);
    EXPECT_FALSE(before.filter(QRegularExpression("^a1_")).isEmpty())
        << before.join(' ').toStdString();
    EXPECT_FALSE(before.filter(QRegularExpression("^a2_")).isEmpty())
        << before.join(' ').toStdString();
    EXPECT_FALSE(after.isEmpty());
    for (const QString& name : after)
        EXPECT_TRUE(name.startsWith("a4_")) << name.toStdString();
    EXPECT_FALSE(sp::CommandBusy);
}

} // namespace
} // namespace apptest
