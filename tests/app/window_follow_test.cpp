// What the window keeps in step with: the Grab panel's picture and the size label after a
// resize, the Help panel's free space after the image folder changes, and the picture shown
// after a step of one second on a real file.

#include "grab_fixture.h"

#include "app/panels/dossiers_frame.h"
#include "app/panels/extraire_frame.h"
#include "app/panels/help_frame.h"
#include "app/panels/top_bar.h"
#include "app/video_panel.h"
#include "app/video_view.h"
#include "platform/system/free_space.h"
#include "ui/text_gauge.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTemporaryDir>

namespace apptest {
namespace {

using namespace sp;

class WindowFollow : public GrabTest {
protected:
    QRect VideoRect() { return W().Widgets().VideoPanel->videoRect(); }
    // Where the Grab panel's picture belongs for the current video window: its bottom 56 pixels
    // above the video window's bottom, in window coordinates of the video panel.
    int ExpectedPreviewTop(int previewHeight) {
        const QRect video = VideoRect();
        return video.top() + video.height() + W().Widgets().VideoPanel->y() - previewHeight - 56;
    }
    static void Settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
};

TEST_F(WindowFollow, AResizeMovesTheSnapshotWithTheVideoAndKeepsTheChosenPanel) {
    Load("mpeg2_16x9.mpg", "wide.mpg");
    W().resize(708, 522);
    Settle();
    W().ExecuteToken("grab");
    TExtraireFrame* grab = W().Widgets().Extraire();
    const QRect before = grab->pictureRect();
    ASSERT_FALSE(before.isEmpty());
    EXPECT_EQ(before.top(), ExpectedPreviewTop(before.height()));
    const QString sizeBefore = W().Widgets().TopBar->sizeText();
    ASSERT_FALSE(sizeBefore.isEmpty());

    // On the Help panel, a taller and wider window: the picture follows the larger video window,
    // the panel chosen stays.
    W().ShowPanel(5);
    W().resize(1000, 760);
    Settle();
    EXPECT_EQ(W().S->PanneauActif.Value, 5);
    const QRect after = grab->pictureRect();
    EXPECT_GT(VideoRect().height(), 300);
    EXPECT_EQ(after.top(), ExpectedPreviewTop(after.height()));
    EXPECT_GT(after.top(), before.top());
    EXPECT_EQ(W().Widgets().TopBar->sizeText(), sizeBefore);

    // The size label is made again from the frame by a resize (a label cleared by something
    // else comes back).
    W().Widgets().TopBar->setSizeText(QString());
    W().resize(760, 560);
    Settle();
    EXPECT_EQ(W().Widgets().TopBar->sizeText(), sizeBefore);
    EXPECT_EQ(grab->pictureRect().top(), ExpectedPreviewTop(grab->pictureRect().height()));
}

TEST_F(WindowFollow, AResizeWithoutVideoLeavesTheGrabPanelAlone) {
    Open();
    W().ShowPanel(4);
    const QRect before = W().Widgets().Extraire()->pictureRect();
    W().resize(900, 700);
    Settle();
    EXPECT_EQ(W().S->PanneauActif.Value, 4);
    EXPECT_EQ(W().Widgets().Extraire()->pictureRect(), before);
    EXPECT_TRUE(W().Widgets().TopBar->sizeText().isEmpty());
}

// The gauge's maximum is the volume's size in Mb, which tells two volumes apart steadily (the
// free figure moves while other programs write).
TEST_F(WindowFollow, TheFreeSpaceFollowsTheImageFolderFromTheCommandAndThePanel) {
    QTemporaryDir memory("/dev/shm/stillpick-XXXXXX");
    if (!memory.isValid()) GTEST_SKIP() << "no /dev/shm here";
    const int64_t memoryMb = FreeSpaceOf(QFile::encodeName(memory.path()).toStdString()).totalMb;
    const int64_t diskMb = FreeSpaceOf(QFile::encodeName(Path("")).toStdString()).totalMb;
    if (memoryMb == diskMb || memoryMb <= 0) GTEST_SKIP() << "/dev/shm is not a volume of its own";

    Open();
    TTextGauge* gauge = W().Help()->tgImage();
    W().ExecuteToken("dest_folder", memory.path() + "/stills");
    EXPECT_EQ(W().S->DossierSave.Value, memory.path() + "/stills");
    EXPECT_EQ(gauge->MaxValue(), memoryMb);
    EXPECT_FALSE(W().Help()->labEspaceLibre()->text().isEmpty());

    W().ExecuteToken("dest_folder", Path("images"));
    EXPECT_EQ(gauge->MaxValue(), diskMb);

    // Chosen on the Folders panel.
    emit W().Widgets().Dossiers()->folderChosen(memory.path());
    EXPECT_EQ(gauge->MaxValue(), memoryMb);

    // A folder that cannot be made changes nothing.
    W().ExecuteToken("dest_folder", "");
    EXPECT_EQ(gauge->MaxValue(), memoryMb);
}

// Portable mode puts the images beside the program unless they are there already: the Folders
// panel, the next name and the free space follow.
TEST_F(WindowFollow, PortableModeMovesTheImageFolderEverywhereItIsShown) {
    Open();
    W().ExecuteToken("dest_folder", Path("images"));
    W().PrefsModeChanged(pmPortable);
    const QString program = Path("program") + "/";
    EXPECT_EQ(W().S->DossierSave.Value, program);
    EXPECT_EQ(W().Widgets().Dossiers()->folder(), program);
    EXPECT_TRUE(W().NextImageName.startsWith(program)) << W().NextImageName.toStdString();
}

// A second forward from the start of an MPEG-2 file at 25 frames a second shows frame 25 on
// screen, as the box says (0:00:01:00), and grabs that frame.
TEST_F(WindowFollow, ASecondForwardShowsTheFrameOfTheTimecode) {
    Load("mpeg2_16x9.mpg", "steps.mpg");
    const auto references = sptest::ffmpegFrames(MediaPath("mpeg2_16x9.mpg"), 0, 60);
    ASSERT_GE(references.size(), 56u);
    TVideoView* view = W().Widgets().View();
    ASSERT_TRUE(WaitUntil([&] { return !view->shownPicture().isNull(); }, 10'000));
    EXPECT_TRUE(IsFrame(references, 0, view->shownPicture()));

    struct Case {
        const char* token;
        int frame;
        const char* timecode;
    };
    for (const Case& c :
         {Case{"second_forward", 25, "0:00:01:00"}, Case{"second_forward", 50, "0:00:02:00"},
          Case{"frame_forward", 51, "0:00:02:01"}, Case{"second_back", 26, "0:00:01:01"}}) {
        SCOPED_TRACE(std::string(c.token) + " to " + c.timecode);
        W().ExecuteToken(c.token);
        W().PositionTimerStep();
        EXPECT_EQ(W().Widgets().TimecodeText(), c.timecode);
        // The picture painted last reaches the screen after the repaint it asked for.
        Settle();
        EXPECT_TRUE(IsFrame(references, c.frame, view->shownPicture()));
        W().CaptureFrameAndSizes();
        EXPECT_TRUE(IsFrame(references, c.frame, W().CapturedFrame));
    }
}

} // namespace
} // namespace apptest
