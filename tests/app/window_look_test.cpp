// The main window's widgets put together by the layout rules, at the minimum size and larger,
// with a picture in the video window: nothing overlaps, everything lies inside the window, and a
// picture of the whole is written into the build tree (window_look_*.png) to be looked at.

#include "app/layout_rules.h"
#include "app/panels/action_layout.h"
#include "app/panels/bottom_strip.h"
#include "app/panels/icons.h"
#include "app/panels/nav_file_frame.h"
#include "app/panels/options_frame.h"
#include "app/panels/panel_column.h"
#include "app/panels/sources_frame.h"
#include "app/panels/title_strip.h"
#include "app/panels/tool_bar.h"
#include "app/panels/top_bar.h"
#include "app/video_panel.h"
#include "app/video_view.h"

#include "support/widget_application.h"

#include <QAction>
#include <QDir>
#include <QFrame>
#include <QPainter>
#include <QToolButton>

#include <map>

using namespace sp;

namespace {

// Stands in for the controller: the actions by name, with their icons, and the widgets placed.
class AssembledWindow {
public:
    AssembledWindow() {
        const auto add = [this](std::string_view name) {
            const QString key = QString::fromLatin1(name.data(), qsizetype(name.size()));
            if (key.isEmpty() || key == "-" || key.startsWith('>') || key == "<" ||
                actions_.count(key))
                return;
            auto* action = new QAction(key, &window);
            action->setIcon(actionIcon(key));
            action->setCheckable(key.startsWith("ta"));
            actions_[key] = action;
        };
        for (auto list : {toolBarOrder(), navigationOrder(), videoMenuOrder()})
            for (std::string_view name : list)
                add(name);
        const ActionLookup find = [this](const QString& name) {
            auto it = actions_.find(name);
            return it == actions_.end() ? nullptr : it->second;
        };
        toolBar = new TToolBar(&window);
        toolBar->setItems(toolBarItems(find));
        titleStrip = new TTitleStrip(&window);
        topBar = new TTopBar(&window);
        videoPanel = new TVideoPanel(&window);
        navigation = new Tnav_fileframe(&window);
        navigation->setActions(navigationActions(find));
        panels = new TPanelColumn(&window);
        bottomStrip = new TBottomStrip(&window);
        horizontalLine = line(QFrame::HLine);
        verticalLine = line(QFrame::VLine);
    }

    QAction* action(const QString& name) { return actions_.at(name); }

    void layOut(QSize client, bool videoAtLeft, layout::Aspect aspect) {
        window.resize(client);
        const layout::WindowLayout w = layout::layoutWindow(client, videoAtLeft);
        toolBar->setGeometry(w.toolBar);
        toolBar->setSeparatorWidth(w.toolSeparatorWidth);
        horizontalLine->setGeometry(w.horizontalSeparator);
        verticalLine->setGeometry(w.verticalSeparator);
        titleStrip->setGeometry(w.titleStrip);
        bottomStrip->setGeometry(w.bottomStrip);
        videoPanel->setGeometry(w.videoPanel);
        panels->setGeometry(w.panels);
        const layout::VideoAreaLayout area =
            layout::layoutVideoArea(aspect, w.videoPanel, w.grabPanel, QSize(1920, 1080));
        videoPanel->setVideoRect(area.videoWindow);
        const layout::NavigationPlaces places =
            layout::placeNavigation(w.videoPanel, area.videoWindow);
        topBar->move(layout::barLeft(w.videoPanel, topBar->width()), places.topBarTop);
        navigation->move(layout::barLeft(w.videoPanel, navigation->width()), places.navigationTop);
    }

    QWidget window;
    TToolBar* toolBar;
    TTitleStrip* titleStrip;
    TTopBar* topBar;
    TVideoPanel* videoPanel;
    Tnav_fileframe* navigation;
    TPanelColumn* panels;
    TBottomStrip* bottomStrip;
    QFrame* horizontalLine;
    QFrame* verticalLine;

private:
    QFrame* line(QFrame::Shape shape) {
        auto* frame = new QFrame(&window);
        frame->setFrameShape(shape);
        frame->setFrameShadow(QFrame::Sunken);
        return frame;
    }

    std::map<QString, QAction*> actions_;
};

// A full-HD test picture: colour bars with a frame number block, as a renderer hands it over.
std::vector<uint8_t> testPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    const QColor bars[] = {Qt::white,   Qt::yellow, Qt::cyan, Qt::green,
                           Qt::magenta, Qt::red,    Qt::blue, Qt::black};
    for (int i = 0; i < 8; ++i)
        painter.fillRect(i * width / 8, 0, width / 8 + 1, height, bars[i]);
    painter.fillRect(width / 3, height / 3, width / 3, height / 3, QColor(40, 40, 40));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(height / 6);
    painter.setFont(font);
    painter.drawText(QRect(width / 3, height / 3, width / 3, height / 3), Qt::AlignCenter, "0042");
    painter.end();
    const auto* bits = image.constBits();
    return std::vector<uint8_t>(bits, bits + image.sizeInBytes());
}

void fillLikeALoadedFile(AssembledWindow& w) {
    w.titleStrip->setFileText("holiday 2024.mts", QColor(0x80, 0, 0));
    w.titleStrip->setSideFileShown(TTitleStrip::Scn, true);
    w.titleStrip->setSideFileShown(TTitleStrip::Srt, true);
    w.titleStrip->setSideFileShown(TTitleStrip::Modd, true);
    w.topBar->setTimecode("0:01:23:12");
    w.topBar->setDurationText("0:12:04:08");
    w.topBar->setVolumePercent(50);
    w.topBar->setSizeText("1920 x 1080  =>  1920 x 1080 [16x9]");
    w.navigation->setSliderPosition(180);
    w.bottomStrip->setNextImageName("/home/user/Pictures/holiday 2024_0007.jpg", false);
    w.panels->sources()->setVideoStreams({"H.264 1920x1080", "No Video"}, 0);
    w.panels->sources()->setAudioStreams({"AC-3 48000 Hz stereo", "No Audio"}, 0);
    w.panels->sources()->setVideoDescription("H.264 High - 1920x1080 - 25 fps");
    w.panels->sources()->setAudioDescription("AC-3, 48000 Hz, 2 channels, 256 kb/s");
    w.panels->options()->setVideoDecoders({"FFmpeg MPEG-2 decoder"}, 0);
    w.panels->options()->setAudioDecoders({"FFmpeg MPEG audio decoder"}, 0);
    w.panels->options()->setSaveMode(0);
    w.videoPanel->setVideoShown(true);
    const std::vector<uint8_t> picture = testPicture(1920, 1080);
    w.videoPanel->view()->present(picture.data(), 1920, 1080, 1920 * 4);
}

// Every pair of these widgets is apart, and each lies inside the window.
void expectNoOverlap(const AssembledWindow& w) {
    const std::pair<const char*, QWidget*> parts[] = {
        {"tool bar", w.toolBar}, {"title strip", w.titleStrip},
        {"top bar", w.topBar},   {"navigation", w.navigation},
        {"panels", w.panels},    {"bottom strip", w.bottomStrip},
    };
    const QRect inside = w.window.rect();
    for (size_t i = 0; i < std::size(parts); ++i) {
        EXPECT_TRUE(inside.contains(parts[i].second->geometry())) << parts[i].first;
        for (size_t j = i + 1; j < std::size(parts); ++j)
            EXPECT_FALSE(parts[i].second->geometry().intersects(parts[j].second->geometry()))
                << parts[i].first << " and " << parts[j].first;
    }
    const QRect video = w.videoPanel->videoRect().translated(w.videoPanel->pos());
    EXPECT_FALSE(video.intersects(w.topBar->geometry()));
    EXPECT_FALSE(video.intersects(w.navigation->geometry()));
    EXPECT_FALSE(video.intersects(w.panels->geometry()));
}

void savePicture(QWidget& window, const QString& name) {
    // Into the build tree's screenshot folder, never the folder the test was started from.
    QDir folder(QStringLiteral(SP_SCREENSHOT_DIR));
    folder.mkpath(".");
    const QString path = folder.absoluteFilePath(name);
    EXPECT_TRUE(window.grab().save(path)) << path.toStdString();
    std::printf("window picture: %s\n", qPrintable(path));
}

} // namespace

TEST(WindowLook, AtTheMinimumSizeNothingOverlapsAndThePictureFillsTheVideoWindow) {
    for (auto [aspect, name] : {std::pair{layout::Aspect{16, 9}, "window_look_16x9.png"},
                                std::pair{layout::Aspect{4, 3}, "window_look_4x3.png"}}) {
        AssembledWindow w;
        w.panels->showOnly(0);
        fillLikeALoadedFile(w);
        w.layOut({layout::kMinimumWidth, layout::kMinimumHeight}, false, aspect);
        w.window.show();
        QCoreApplication::processEvents();
        expectNoOverlap(w);
        // The tool bar's buttons and separators fill its width to within one separator's rest.
        const int used = 21 * TToolBar::kButtonWidth + 4 * w.toolBar->separatorWidth();
        EXPECT_LE(used, w.toolBar->width());
        EXPECT_GT(used, w.toolBar->width() - 4);
        savePicture(w.window, name);
        // The view painted the picture, not the black of an empty view.
        const QImage shown = w.videoPanel->view()->grab().toImage();
        EXPECT_EQ(shown.pixelColor(2, 2), QColor(Qt::white));
    }
}

TEST(WindowLook, MirroredAndLargerTheSettingsPanelFitsAndTheLayoutStaysApart) {
    AssembledWindow w;
    w.panels->showOnly(4);
    fillLikeALoadedFile(w);
    w.layOut({1000, 700}, true, {16, 9});
    w.window.show();
    QCoreApplication::processEvents();
    expectNoOverlap(w);
    EXPECT_EQ(w.panels->x(), 1000 - layout::kPanelWidth);
    savePicture(w.window, "window_look_mirrored.png");
}

TEST(WindowLook, WithoutVideoThePlaceholderIsCentredInTheVideoPanel) {
    AssembledWindow w;
    w.panels->showOnly(4);
    w.layOut({layout::kMinimumWidth, layout::kMinimumHeight}, false, {4, 3});
    w.videoPanel->setVideoShown(false);
    w.navigation->hide();
    w.topBar->hide();
    w.navigation->setPlayButtonIcon(noVideoPlayIcon());
    w.window.show();
    QCoreApplication::processEvents();
    const QRect placeholder = w.videoPanel->placeholderRect();
    EXPECT_FALSE(placeholder.isEmpty());
    EXPECT_LE(std::abs(placeholder.center().x() - w.videoPanel->width() / 2), 1);
    EXPECT_LE(std::abs(placeholder.center().y() - w.videoPanel->height() / 2), 1);
    savePicture(w.window, "window_look_empty.png");
}
