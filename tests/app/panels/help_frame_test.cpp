// The Help and About panels: the help links, the timers that run only on the "CPU" tab, the
// processor and free-space figures, the drop areas with real filter libraries, and pictures of
// the three tabs.

#include "app/panels/apropos_frame.h"
#include "app/panels/drop_area.h"
#include "app/panels/help_frame.h"
#include "filterlib/test_filter_library.h"
#include "filters/filter_environment.h"
#include "ui/link_clicks.h"
#include "ui/link_edit.h"
#include "ui/system_info.h"
#include "ui/text_gauge.h"
#include "ui/ui_pictures.h"

#include "support/widget_application.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTextEdit>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace sp;

namespace {

void clickText(TLinkEdit& edit, const QString& text) {
    const QPoint at = sptest::pointOfText(edit, text);
    sptest::sendMouse(edit, QEvent::MouseMove, at);
    sptest::sendMouse(edit, QEvent::MouseButtonPress, at);
    sptest::sendMouse(edit, QEvent::MouseButtonRelease, at);
}

QString hintOver(TLinkEdit& edit, const QString& text) {
    edit.setToolTip({});
    sptest::sendMouse(edit, QEvent::MouseMove, sptest::pointOfText(edit, text));
    return edit.toolTip();
}

class HelpFrameTest : public ::testing::Test {
protected:
    HelpFrameTest() {
        frame_ = new THelpFrame(&window_);
        window_.resize(frame_->sizeHint().expandedTo(QSize(276, 560)));
        frame_->resize(window_.size());
        frame_->AskYesNo = [this](const QString& question) {
            questions_ << question;
            return answer_;
        };
        frame_->Tell = [this](const QString& message) { told_ << message; };
    }

    void drop(TDropArea* area, const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        urls << QUrl("https://example.org/filter.ax"); // never a local file
        data.setUrls(urls);
        // As a drag does it: the area accepts the entering drag, then receives the drop.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(area, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &event);
    }

    QWidget window_;
    THelpFrame* frame_;
    bool answer_ = true;
    QStringList questions_, told_;
};

TEST_F(HelpFrameTest, HelpLinksOpenTheInstallTabAndAskForTheShortcuts) {
    QTabWidget& pages = *frame_->PageControl1();
    ASSERT_EQ(pages.count(), 3);
    EXPECT_EQ(pages.tabText(0), "Help");
    EXPECT_EQ(pages.tabText(1), "CPU");
    EXPECT_EQ(pages.tabText(2), "install");
    window_.show();
    TLinkEdit& help = *frame_->LinkEdit1();
    EXPECT_EQ(help.RichText(), THelpFrame::HelpMarkup());
    EXPECT_TRUE(help.ShownText().startsWith("Help about Stillpick"));

    QSignalSpy shortcuts(frame_, &THelpFrame::ShortcutsLinkClicked);
    EXPECT_EQ(hintOver(help, "click here"), "Click to display the list of shortcuts");
    clickText(help, "click here");
    EXPECT_EQ(shortcuts.count(), 1);
    EXPECT_EQ(pages.currentIndex(), THelpFrame::tabHelp);

    EXPECT_EQ(hintOver(help, "tabFilters"), "Click to open the tab \"Filters\"");
    clickText(help, "tabFilters");
    EXPECT_EQ(pages.currentIndex(), THelpFrame::tabInstall);
    EXPECT_EQ(shortcuts.count(), 1);
    EXPECT_EQ(hintOver(help, "my web site"),
              "Click to open the site https://stillpick.org/\nin your default browser");
}

TEST_F(HelpFrameTest, TimersRunOnlyWhileTheCpuTabIsShown) {
    QTabWidget& pages = *frame_->PageControl1();
    pages.setCurrentIndex(THelpFrame::tabCPU);
    EXPECT_FALSE(frame_->TimersActive()); // not shown yet
    window_.show();
    EXPECT_TRUE(frame_->TimersActive());
    pages.setCurrentIndex(THelpFrame::tabInstall);
    EXPECT_FALSE(frame_->TimersActive());
    pages.setCurrentIndex(THelpFrame::tabCPU);
    EXPECT_TRUE(frame_->TimersActive());
    frame_->hide(); // another side panel is shown
    EXPECT_FALSE(frame_->TimersActive());
    frame_->show();
    EXPECT_TRUE(frame_->TimersActive());
    window_.close(); // the program closes
    EXPECT_FALSE(frame_->TimersActive());
}

TEST_F(HelpFrameTest, BusiestProcessorAndAverages) {
    const auto stat = std::filesystem::path(::testing::TempDir()) / "sp-help-stat";
    frame_->SetProcessorStatPath(stat.string());
    std::ofstream(stat) << "cpu  0 0 0 0\ncpu0 100 0 0 900\ncpu1 0 0 0 1000\n"
                           "cpu2 0 0 0 1000\ncpu3 0 0 0 1000\n";
    frame_->SampleProcessorLoad();
    // Processor 1 ran flat out for the period, the others idled: 100, not the total's 25.
    std::ofstream(stat) << "cpu  0 0 0 0\ncpu0 100 0 0 1000\ncpu1 100 0 0 1000\n"
                           "cpu2 0 0 0 1100\ncpu3 0 0 0 1100\n";
    frame_->SampleProcessorLoad();
    EXPECT_EQ(frame_->tgCPU()->Progress(), 100);
    EXPECT_EQ(frame_->labAverage()->text(), "6 - 0"); // (0 + 100) / 16, and its own mean
    for (int i = 0; i < 15; ++i)
        frame_->ShowProcessorLoad(100);
    EXPECT_EQ(frame_->labAverage()->text(), "100 - 53");
}

TEST_F(HelpFrameTest, FreeSpaceInMegabytesThenGigabytes) {
    frame_->ShowFreeSpace({20000, 10240});
    EXPECT_EQ(frame_->labEspaceLibre()->text(), "10240 Mb");
    EXPECT_EQ(frame_->tgImage()->GaugeText(), "10240 Mb");
    EXPECT_EQ(frame_->tgImage()->MaxValue(), 20000);
    EXPECT_EQ(frame_->tgImage()->Progress(), 10240);
    frame_->ShowFreeSpace({20000, 10241});
    EXPECT_EQ(frame_->labEspaceLibre()->text(), "10241 Mb");
    EXPECT_EQ(frame_->tgImage()->GaugeText(), "10 Gb");
    frame_->ShowFreeSpace({0, 0}); // a folder that cannot be queried
    EXPECT_EQ(frame_->labEspaceLibre()->text(), "0 Mb");

    const QString folder = QString::fromStdString(::testing::TempDir()) + "not-made-yet";
    frame_->SetImageFolder(folder);
    const VolumeSpace space = FreeSpaceOf(folder.toStdString());
    EXPECT_GT(space.totalMb, 0);
    EXPECT_EQ(frame_->tgImage()->MaxValue(), space.totalMb);
}

// The processor gauge turns to the alert colour above 81 %, the free-space gauge below 100 Mb.
TEST_F(HelpFrameTest, GaugesShowTheirAlertColours) {
    const QColor alert = QColor::fromRgb(TTextGauge::kAlertColor);
    frame_->ShowProcessorLoad(81);
    EXPECT_NE(frame_->tgCPU()->FillColor(), alert);
    frame_->ShowProcessorLoad(82);
    EXPECT_EQ(frame_->tgCPU()->FillColor(), alert);
    frame_->ShowFreeSpace({20000, 100});
    EXPECT_NE(frame_->tgImage()->FillColor(), alert);
    frame_->ShowFreeSpace({20000, 99});
    EXPECT_EQ(frame_->tgImage()->FillColor(), alert);
    EXPECT_EQ(frame_->tgImage()->GaugeText(), "99 Mb"); // the caption, as written
}

TEST_F(HelpFrameTest, DroppedLibrariesAreInstalledAndUninstalledAfterAsking) {
    const QString library = SP_TEST_FILTER_LIBRARY;
    QSignalSpy changed(frame_, &THelpFrame::FilterFilesChanged);
    frame_->PageControl1()->setCurrentIndex(THelpFrame::tabInstall);
    window_.show();
    answer_ = false;
    drop(frame_->MemoIns(), {library});
    EXPECT_EQ(questions_, QStringList{"Do you really want to install the file " + library + "?"});
    EXPECT_TRUE(told_.isEmpty());
    EXPECT_FALSE(IsFilterInstalled(sptest::kLibraryTestFilterClsid));

    answer_ = true;
    drop(frame_->MemoIns(), {library});
    EXPECT_EQ(told_, QStringList{"Operation successful"});
    EXPECT_TRUE(IsFilterInstalled(sptest::kLibraryTestFilterClsid));
    drop(frame_->MemoDes(), {library, library});
    ASSERT_FALSE(questions_.isEmpty());
    EXPECT_EQ(questions_.last(), "Do you really want to uninstall the file " + library + "?");
    EXPECT_EQ(told_,
              (QStringList{"Operation successful", "Operation successful", "Operation failed"}));
    EXPECT_FALSE(IsFilterInstalled(sptest::kLibraryTestFilterClsid));
    EXPECT_EQ(changed.count(), 2);

    told_.clear();
    questions_.clear();
    frame_->InstallFiles({SP_TEST_NO_ENTRY_LIBRARY, QString::fromStdString(::testing::TempDir()),
                          QString(65531, u'a')});
    EXPECT_EQ(questions_.size(), 2); // the overlong name is skipped unasked
    EXPECT_EQ(told_, (QStringList{"Opeartion failed", "Opeartion failed"}));
}

TEST(HelpFrameAlone, OffscreenQuestionsAnswerNo) {
    THelpFrame frame;
    testing::internal::CaptureStderr();
    frame.InstallFiles({SP_TEST_FILTER_LIBRARY});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("No, the default"), std::string::npos);
    EXPECT_FALSE(IsFilterInstalled(sptest::kLibraryTestFilterClsid));
}

TEST_F(HelpFrameTest, PictureOfTheThreeTabs) {
    SystemInfoText().clear();
    frame_->ClearFiltersText();
    QTextEdit* lines = frame_->FiltersText();
    lines->setFontWeight(QFont::Bold);
    AddSystemInfoLine(lines, "Debian GNU/Linux 12 (bookworm) 6.1.0 - build 0. ", Qt::black);
    lines->setFontWeight(QFont::Normal);
    lines->setFontItalic(true);
    AddSystemInfoLine(lines, "Filters:", Qt::blue);
    lines->setFontItalic(false);
    AddSystemInfoLine(lines, "Null Renderer", Qt::black);
    AddSystemInfoLine(lines, "Haali Media Splitter not found", Qt::red);
    frame_->ShowFreeSpace({40000, 12000});
    for (int load : {20, 60, 35})
        frame_->ShowProcessorLoad(load);
    window_.show();

    const QSize size = frame_->size();
    QImage sheet(size.width() * 3 + 20, size.height(), QImage::Format_RGB32);
    sheet.fill(Qt::darkGray);
    QPainter painter(&sheet);
    for (int tab = 0; tab < 3; ++tab) {
        frame_->PageControl1()->setCurrentIndex(tab);
        painter.drawImage((size.width() + 10) * tab, 0, frame_->grab().toImage());
    }
    painter.end();
    EXPECT_FALSE(sptest::savePicture(sheet, "help_frame_tabs.png").isEmpty());
    SystemInfoText().clear();
}

TEST(AproposFrame, TitleAndLibrariesWithTheirLicences) {
    QWidget window;
    auto* about = new TAproposFrame(&window);
    about->SetProgramTitle("Stillpick 5.0.6 En");
    EXPECT_EQ(about->TitleLabel()->text(), "Stillpick 5.0.6 En");
    const QString shown = about->Credits()->ShownText();
    for (const char* part : {"takes still images out of video files", "FFmpeg", "libavformat", "Qt",
                             "LGPL 3", "SDL2", "zlib licence", "libjpeg-turbo", "MIT"})
        EXPECT_TRUE(shown.contains(part)) << part;
    window.resize(276, 560);
    about->resize(window.size());
    window.show();
    EXPECT_FALSE(sptest::savePicture(about->grab().toImage(), "apropos_frame.png").isEmpty());
}

} // namespace
