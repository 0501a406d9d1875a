// The main window with its filter environment, the Help and About panels, the missing-filters
// warning at the first paint and the shortcuts window, driven through the real window.

#include "app_fixture.h"

#include "app/panels/apropos_frame.h"
#include "app/panels/help_frame.h"
#include "app/panels/panel_column.h"
#include "filters/filter_environment.h"
#include "platform/graph/filter_mapper.h"
#include "platform/graph/guids.h"
#include "platform/outside/outside_registration.h"
#include "platform/system/registry_key.h"
#include "ui/filtres_warning_form.h"
#include "ui/link_edit.h"
#include "ui/raccourcis_form.h"
#include "ui/system_info.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>

namespace apptest {
namespace {

using namespace sp;
using namespace mf;

std::optional<uint32_t> UserDWord(const QString& key, const char* name) {
    auto handle = RegistryKey::open(RegRoot::CurrentUser, key, false);
    return handle ? handle->readDWord(QString::fromLatin1(name)) : std::nullopt;
}

void Wait(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

class HelpWiring : public AppTest {
protected:
    void TearDown() override {
        AppTest::TearDown();
        // Put back what a test took out of the filter list.
        outside::registerOutsideFilters();
    }
    THelpFrame& Help() { return *W().Widgets().Panels->help(); }
};

TEST_F(HelpWiring, TheFilterSettingsAreAdjustedWhileTheWindowLivesAndRestoredAfter) {
    {
        auto video = RegistryKey::open(RegRoot::CurrentUser, kFfdshowKey, true);
        ASSERT_TRUE(video);
        video->writeDWord("trayIcon", 1);
        video->writeDWord("h264", 3);
    }
    Open();
    W().ExecuteToken("save_prefs", "registry");
    EXPECT_TRUE(W().FilterEnvironmentStarted());
    // "Customize filters when start" is on by default: the decoder is set for grabbing.
    ASSERT_TRUE(W().S->ParametrerFiltres.Value);
    EXPECT_EQ(UserDWord(kFfdshowKey, "trayIcon"), 0u);
    EXPECT_EQ(UserDWord(kFfdshowKey, "h264"), 21u);
    EXPECT_EQ(UserDWord(kFfdshowBackupKey, "h264"), 3u);
    ASSERT_TRUE(Close());
    // The end of the window gives the decoder its own settings back and drops the backup.
    EXPECT_EQ(UserDWord(kFfdshowKey, "trayIcon"), 1u);
    EXPECT_EQ(UserDWord(kFfdshowKey, "h264"), 3u);
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, kFfdshowBackupKey, false));
}

TEST_F(HelpWiring, WithoutCustomizingAChangeMadeWhileRunningIsUndoneAtTheEnd) {
    RegistryKey::open(RegRoot::CurrentUser, kFfdshowKey, true)->writeDWord("h264", 3);
    Open();
    W().ExecuteToken("save_prefs", "registry");
    W().ExecuteToken("param_filters", "-");
    ASSERT_TRUE(Close());
    Open(); // starts without customizing
    EXPECT_FALSE(W().S->ParametrerFiltres.Value);
    EXPECT_EQ(UserDWord(kFfdshowKey, "h264"), 3u);
    RegistryKey::open(RegRoot::CurrentUser, kFfdshowKey, true)->writeDWord("h264", 7);
    ASSERT_TRUE(Close());
    EXPECT_EQ(UserDWord(kFfdshowKey, "h264"), 3u);
}

TEST_F(HelpWiring, TheFilterListGoesToTheHelpPanelAndFollowsRegistrations) {
    Open();
    const QString text = Help().FiltersText()->toPlainText();
    EXPECT_TRUE(text.contains("Filters:"));
    EXPECT_TRUE(text.contains("Haali Media Splitter"));
    EXPECT_FALSE(text.contains("not found")) << text.toStdString();
    EXPECT_EQ(W().Widgets().Diagnostics, Help().FiltersText());
    EXPECT_TRUE(W().HaaliFound && W().FfdshowVideoFound && W().FfdshowAudioFound);
    // A filter library unregistered from the Help panel: the list is made again.
    FilterMapper::instance().UnregisterFilter(CLSID_LegacyAmFilterCategory,
                                              CLSID_HaaliMediaSplitter);
    emit Help().FilterFilesChanged();
    EXPECT_TRUE(Help().FiltersText()->toPlainText().contains("Haali Media Splitter not found"));
    EXPECT_TRUE(SystemInfoText().contains("Haali Media Splitter not found%0D%0A"));
    EXPECT_FALSE(W().HaaliFound);
    EXPECT_EQ(SystemInfoText().count("%0D%0A"), W().DiagnosticsLines.size());
}

TEST_F(HelpWiring, NoWarningWhenEveryFilterIsThere) {
    Open();
    TFiltresWarningForm* form = W().FiltersWarning();
    ASSERT_TRUE(form);
    bool shown = false;
    form->RunOffscreen = true;
    QTimer::singleShot(200, form, [form, &shown] {
        shown = form->isVisible();
        if (shown) form->ContinueButton()->click();
    });
    Wait([] { return false; }, 400);
    EXPECT_FALSE(shown);
    EXPECT_TRUE(W().isVisible());
}

class MissingFilter : public HelpWiring {
protected:
    // The window first shown without the splitter; the warning is answered by `button`.
    void OpenWithoutHaali(const char* button) {
        window_ = std::make_unique<TShowForm>();
        window_->AskSaveMode = [] { return std::optional<TPrefsMode>(pmRegistry); };
        window_->ShowWarning = [this](const QString& text) { warnings << text; };
        FilterMapper::instance().UnregisterFilter(CLSID_LegacyAmFilterCategory,
                                                  CLSID_HaaliMediaSplitter);
        window_->show();
        TFiltresWarningForm* form = window_->FiltersWarning();
        ASSERT_TRUE(form);
        form->RunOffscreen = true;
        const QString which = button;
        asked = false;
        // Answers once the dialog runs modally (the first paint asks from the event loop).
        auto* poll = new QTimer(form);
        QObject::connect(poll, &QTimer::timeout, form, [form, which, poll, this] {
            if (!form->isVisible()) return;
            asked = true;
            text = form->Text()->toPlainText();
            poll->stop();
            (which == "quit" ? form->QuitButton() : form->ContinueButton())->click();
        });
        poll->start(20);
        Wait([this] { return asked; });
        QCoreApplication::processEvents();
    }
    bool asked = false;
    QString text;
};

TEST_F(MissingFilter, TheWarningAtTheFirstPaintQuitsThroughTheCloseQuery) {
    OpenWithoutHaali("quit");
    ASSERT_TRUE(asked);
    EXPECT_TRUE(text.contains("Haali Media Splitter"));
    EXPECT_FALSE(text.contains("ffdshow"));
    EXPECT_FALSE(window_->isVisible()); // closed, with the settings stored
    EXPECT_TRUE(window_->close());
    window_.reset();
}

TEST_F(MissingFilter, ContinueKeepsTheWindowAndTheWarningComesOnce) {
    OpenWithoutHaali("continue");
    ASSERT_TRUE(asked);
    EXPECT_TRUE(window_->isVisible());
    asked = false;
    window_->update();
    Wait([this] { return asked; }, 300);
    EXPECT_FALSE(asked);
}

TEST_F(HelpWiring, HelpPanelOpensOnItsFirstTabAndItsTimersStopAtClose) {
    Open();
    W().ExecuteToken("help_page");
    Help().PageControl1()->setCurrentIndex(THelpFrame::tabCPU);
    EXPECT_TRUE(Help().TimersActive());
    W().ExecuteToken("sources_page");
    EXPECT_FALSE(Help().TimersActive());
    W().ExecuteToken("help_page");
    EXPECT_EQ(Help().PageControl1()->currentIndex(), THelpFrame::tabHelp);
    EXPECT_EQ(W().Widgets().Panels->shownPanel(), 5);
    Help().PageControl1()->setCurrentIndex(THelpFrame::tabCPU);
    ASSERT_TRUE(Help().TimersActive());
    THelpFrame* help = &Help();
    W().ExecuteToken("save_prefs", "registry");
    ASSERT_TRUE(window_->close());
    EXPECT_FALSE(help->TimersActive());
    window_.reset();
}

TEST_F(HelpWiring, TheFreeSpaceIsShownForTheImageFolder) {
    Open();
    W().S->DossierSave.Value = Path("pictures/not yet made");
    W().ShowImageFolderSpace();
    const VolumeSpace space = FreeSpaceOf(Path("").toStdString());
    ASSERT_GT(space.totalMb, 0);
    const QString label = Help().labEspaceLibre()->text();
    EXPECT_TRUE(label.endsWith(" Mb")) << label.toStdString();
    EXPECT_NEAR(label.chopped(3).toLongLong(), space.freeMb, 64);
}

TEST_F(HelpWiring, TheShortcutsWindowIsFilledAndReachedFromTheHelpText) {
    Open();
    TRaccourcisForm* shortcuts = W().Raccourcis();
    ASSERT_TRUE(shortcuts);
    QTableWidget* grid = shortcuts->StringGrid1();
    ASSERT_GT(grid->rowCount(), 60);
    bool grab = false;
    for (int row = 0; row < grid->rowCount(); ++row)
        grab = grab || (grid->item(row, 0) && grid->item(row, 0)->text() == "Grab!©");
    EXPECT_TRUE(grab);
    EXPECT_FALSE(shortcuts->isVisible());
    emit Help().ShortcutsLinkClicked();
    EXPECT_TRUE(shortcuts->isVisible());
    EXPECT_TRUE(W().Checked("taraccourcis"));
    emit Help().ShortcutsLinkClicked(); // shown already: raised, not hidden
    EXPECT_TRUE(shortcuts->isVisible());
    W().ExecuteToken("shortcuts"); // F11's token hides it again
    EXPECT_FALSE(shortcuts->isVisible());
    EXPECT_FALSE(W().Checked("taraccourcis"));
}

TEST_F(HelpWiring, TheAboutPanelCarriesTheProgramTitle) {
    Open();
    W().ExecuteToken("about_page");
    EXPECT_EQ(W().Widgets().Panels->shownPanel(), 6);
    EXPECT_EQ(W().Widgets().Panels->apropos()->TitleLabel()->text(), TShowForm::ProgramTitle());
}

} // namespace
} // namespace apptest
