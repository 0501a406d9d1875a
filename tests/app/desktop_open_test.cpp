// A file handed over by the desktop ("--open FILE", the desktop entry's form) through the real
// command-line runner: the very file opens, whatever blanks, letters or pattern characters its
// path holds, and a neighbour its name would match as a pattern is left alone.

#include "app_fixture.h"

#include "settings/command_line.h"

namespace apptest {
namespace {

using namespace sp;

class DesktopOpen : public AppTest {
protected:
    // A new window whose command line is `arguments` as main() passes them on.
    void StartFromDesktop(const QStringList& arguments) { StartWith(ExpandOpenOptions(arguments)); }
    QString Loaded() {
        return W().CurrentBuilder ? QString::fromStdString(W().CurrentBuilder->FileName) : "";
    }
};

TEST_F(DesktopOpen, TheNamedFileOpensAndNotItsPatternNeighbours) {
    // Sorted by name, the decoy comes first: a pattern would open it, and it is not a video.
    const QString decoy = Path("Vidéos d'été/[2024] 1/ma vidéo (1) !.avi");
    QDir().mkpath(QFileInfo(decoy).absolutePath());
    QFile text(decoy);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a video");
    text.close();
    const QString clip = Path("Vidéos d'été/[2024] 1/ma vidéo (1) *.avi");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(MediaPath("avi_mjpeg.avi")), clip));

    StartFromDesktop({"--open", clip, "+second_forward"});
    EXPECT_EQ(Loaded(), clip);
    EXPECT_TRUE(W().Media->HasVideo());
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(DesktopOpen, StartedFromTheMenuWithoutAFileOpensNothing) {
    StartFromDesktop({"--open"});
    EXPECT_EQ(Loaded(), "");
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
}

} // namespace
} // namespace apptest
