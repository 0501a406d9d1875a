// The main window's start-up, panels, Settings panel, save mode and closing.

#include "app_fixture.h"

#include "app/layout_rules.h"
#include "app/panels/options_frame.h"
#include "app/panels/panel_column.h"
#include "platform/graph/filter_mapper.h"
#include "platform/graph/guids.h"
#include "platform/outside/outside_registration.h"
#include "settings/action_table.h"
#include "settings/ini_file.h"
#include "settings/shortcuts.h"
#include "ui/system_info.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTextEdit>

#include <climits>

namespace apptest {
namespace {

using namespace sp;

class ShowForm : public AppTest {
protected:
    // Starts once in registry mode with `change` applied, closes (which saves), starts again.
    void StoreAndRestart(const std::function<void(TShowForm&)>& change) {
        Open();
        W().ExecuteToken("save_prefs", "registry");
        change(W());
        ASSERT_TRUE(Close());
        Open();
    }
};

TEST_F(ShowForm, FirstShowAppliesTheTextsAndTheEmptyState) {
    Open();
    EXPECT_EQ(W().windowTitle(), "Stillpick 5.0.6 En by Orvane");
    EXPECT_EQ(TShowForm::Signature(), "Stillpick 5.0.6 En by Orvane");
    EXPECT_EQ(W().CurrentBuilder, W().EmptyBuilder.get());
    EXPECT_EQ(W().CurrentBuilder->Caption, "No video file");
    EXPECT_TRUE(W().GraphBuiltOnce); // loading the empty builder counts
    EXPECT_FALSE(W().Media->HasVideo());
    EXPECT_FALSE(W().Timer1.isActive());
    EXPECT_FALSE(W().Action("saGrab")->isEnabled());
    EXPECT_FALSE(W().Action("taMute")->isEnabled());
    EXPECT_GE(W().width(), 708);
    EXPECT_GE(W().height(), 522);
    // The diagnostics list every required filter, present ones by name.
    EXPECT_TRUE(SystemInfoText().contains("%0D%0AFilters:%0D%0A"));
    EXPECT_TRUE(SystemInfoText().contains("%0D%0ADV Video Decoder%0D%0A"));
    EXPECT_TRUE(SystemInfoText().startsWith(W().DiagnosticsLines.front()));
    EXPECT_EQ(W().DiagnosticsLines.size(), 4 + 13);
    EXPECT_TRUE(W().Widgets().Diagnostics->toPlainText().contains("DirectX version"));
}

TEST_F(ShowForm, StoredPanelNumbersAboveSixShowNoPanelAndNextPanelWraps) {
    StoreAndRestart([](TShowForm& w) { w.ShowPanel(7); });
    EXPECT_EQ(W().S->PanneauActif.Value, 7);
    EXPECT_EQ(W().Widgets().Panels->shownPanel(), -1);
    W().ShowPanel(6);
    EXPECT_TRUE(W().Checked("saApropos"));
    W().ExecuteToken("next_page");
    EXPECT_EQ(W().S->PanneauActif.Value, 0);
    EXPECT_EQ(W().Widgets().Panels->shownPanel(), 0);
    EXPECT_FALSE(W().Checked("saApropos"));
    EXPECT_TRUE(W().Checked("saSourcesFrame"));
    W().ShowPanel(9); // beyond the panels: nothing changes
    EXPECT_EQ(W().Widgets().Panels->shownPanel(), 0);
    W().ShowPanel(8);
    EXPECT_EQ(W().Widgets().Panels->shownPanel(), -1);
    W().ExecuteToken("help_page");
    EXPECT_EQ(W().Widgets().Panels->shownPanel(), 5);
    EXPECT_EQ(W().S->PanneauActif.Value, 5);
}

TEST_F(ShowForm, ClosingInReducedModeKeepsTheNormalSize) {
    StoreAndRestart([](TShowForm& w) {
        w.S->MainWidth.Value = 760;
        w.S->MainHeight.Value = 560;
        w.S->ReducedOn.Value = true;
        w.resize(720, 530);
    });
    EXPECT_EQ(W().S->MainWidth.Value, 760);
    EXPECT_EQ(W().S->MainHeight.Value, 560);
    // Not reduced: the size the window has at closing is kept.
    W().S->ReducedOn.Value = false;
    W().resize(800, 600);
    ASSERT_TRUE(Close());
    Open();
    EXPECT_EQ(W().S->MainWidth.Value, W().width());
    EXPECT_EQ(W().S->MainHeight.Value, 600);
}

TEST_F(ShowForm, SavePreferencesTakesAPrefixOfAModeName) {
    Open();
    W().ExecuteToken("save_prefs", "registry");
    EXPECT_EQ(SaveMode, pmRegistry);
    W().ExecuteToken("save_prefs", " PORT ");
    EXPECT_EQ(SaveMode, pmPortable);
    EXPECT_EQ(W().Widgets().PrefsItem(), int(pmPortable));
    // Portable mode puts the image folder inside the program's folder.
    EXPECT_EQ(W().S->DossierSave.Value, ProgramFolder() + "/");
    W().ExecuteToken("save_prefs", "x");
    EXPECT_EQ(SaveMode, pmPortable);
    W().ExecuteToken("save_prefs", "registryx");
    EXPECT_EQ(SaveMode, pmPortable);
    W().ExecuteToken("save_prefs", "");
    EXPECT_EQ(SaveMode, pmRegistry);
    W().ExecuteToken("save_prefs", "NO");
    EXPECT_EQ(SaveMode, pmNone);
}

TEST_F(ShowForm, PortableModeKeepsAnImageFolderAlreadyInsideTheProgramFolder) {
    Open();
    W().S->DossierSave.Value = ProgramFolder().toUpper() + "/Stills/";
    W().ExecuteToken("save_prefs", "portable");
    EXPECT_EQ(W().S->DossierSave.Value, ProgramFolder().toUpper() + "/Stills/");
}

TEST_F(ShowForm, WithoutASaveModeEveryCloseAsksAndDismissingKeepsTheWindow) {
    Open();
    W().ExecuteToken("save_prefs", "none");
    answer = std::nullopt;
    EXPECT_FALSE(Close());
    EXPECT_FALSE(Close());
    EXPECT_EQ(questions, 2);
    EXPECT_TRUE(window_);
    // Answering "Portable" writes the file beside the program.
    answer = pmPortable;
    EXPECT_TRUE(Close());
    EXPECT_EQ(questions, 3);
    EXPECT_TRUE(QFile::exists(IniFileName()));
    Open();
    EXPECT_EQ(SaveMode, pmPortable);
    EXPECT_EQ(questions, 3);
}

TEST_F(ShowForm, AnsweringNoneSavesNothing) {
    Open();
    W().ExecuteToken("save_prefs", "none");
    answer = pmNone;
    W().S->IVolume.Value = 1234;
    EXPECT_TRUE(Close());
    EXPECT_FALSE(QFile::exists(IniFileName()));
    Open();
    EXPECT_EQ(W().S->IVolume.Value, 5000);
}

TEST_F(ShowForm, SettingsBoxesAndActionsFollowEachOther) {
    Open();
    TOptionsFrame* options = W().Widgets().Options();
    // Errors are shown by default.
    ASSERT_TRUE(W().S->TraiterErreurs.Value);
    EXPECT_TRUE(options->option(TOptionsFrame::TraiterErreurs));
    EXPECT_TRUE(W().Checked("taTraiterErreurs"));
    W().ExecuteToken("show_errors"); // the action sets the setting and the box
    EXPECT_FALSE(W().S->TraiterErreurs.Value);
    EXPECT_FALSE(options->option(TOptionsFrame::TraiterErreurs));
    EXPECT_FALSE(W().Checked("taTraiterErreurs"));
    W().ExecuteToken("show_errors");
    EXPECT_TRUE(W().S->TraiterErreurs.Value);
    EXPECT_TRUE(options->option(TOptionsFrame::TraiterErreurs));
    // A click on a box changes the setting only.
    const bool before = W().S->MtsEnVitesseMaxi.Value;
    ASSERT_EQ(W().Checked("taMTSVitesseMaxi"), before);
    emit options->optionClicked(TOptionsFrame::MTSVitessemaxi, !before);
    EXPECT_EQ(W().S->MtsEnVitesseMaxi.Value, !before);
    EXPECT_EQ(W().Checked("taMTSVitesseMaxi"), before);
}

TEST_F(ShowForm, TheVideoDecoderListShowsOnlyWithoutTheInstalledDecoder) {
    Open();
    EXPECT_TRUE(W().FfdshowVideoFound);
    EXPECT_FALSE(W().Widgets().Options()->videoDecoderListVisible());
    EXPECT_FALSE(W().Widgets().Options()->audioDecoderListVisible());
    EXPECT_EQ(W().S->DecodeurMpegVideo.Value, "ffdshow Video Decoder");
    ASSERT_TRUE(mf::FilterMapper::instance().UnregisterFilter(mf::CLSID_LegacyAmFilterCategory,
                                                              mf::CLSID_FfdshowVideoDecoder));
    W().ListInstalledFilters();
    EXPECT_FALSE(W().FfdshowVideoFound);
    EXPECT_TRUE(SystemInfoText().contains("ffdshow Video Decoder not found"));
    EXPECT_FALSE(W().Media->VideoDecoderInstalled);
    EXPECT_TRUE(W().Widgets().Options()->videoDecoderListVisible());
    EXPECT_FALSE(W().Widgets().Options()->audioDecoderListVisible());
    outside::registerOutsideFilters();
}

TEST_F(ShowForm, TheWindowsOwnCommandsAreAttachedAndScriptOnlyOnesRefuseUsers) {
    Open();
    const QStringList unbound = W().Actions().Unbound();
    for (const char* name :
         {"saOpenFile", "saPaste", "saVider", "saBouclerScript", "taPlayPause", "saAvanceLow",
          "saReculeTrack", "saPosition", "taVitesseMaxi", "saPreferences", "saWait", "saAbort",
          "acQuitter", "saNextPanneau", "saHelp", "saApropos", "taTraiterErreurs", "saScript"})
        EXPECT_FALSE(unbound.contains(name)) << name;
    // The grabbing, naming and intervalometer commands are attached too.
    for (const char* name :
         {"saGrab", "saCopier", "saOuvrirDossierImages", "saJpgOption", "saBmpOption",
          "saDossierDest", "saRacine", "saNomFichier", "saTimestamp", "saNumeroter",
          "taConfirmerImages", "taSauverQuandClic", "taImagesDeinterlacer", "taIntervalloShow",
          "taIntervalloGo", "taModePrecision"})
        EXPECT_FALSE(unbound.contains(name)) << name;
    W().Media->SetPosition(0);
    W().Execute("saPosition"); // as a user would: refused
    W().Execute("saBouclerScript");
    EXPECT_EQ(W().CurrentBuilder, W().EmptyBuilder.get());
}

TEST_F(ShowForm, AbortLeavesUncheckedModesAlone) {
    Open();
    W().ExecuteToken("Interrompre");
    EXPECT_TRUE(W().AbortRequested);
    EXPECT_FALSE(W().Checked("tafullscreen"));
    EXPECT_FALSE(W().Checked("taReduire"));
    EXPECT_FALSE(W().Checked("taIntervalloGo"));
}

// "Save nothing", chosen by a script in this run, stands at an offscreen close, where nobody
// can answer the question; the registry keeps nothing of the run.
TEST_F(ShowForm, ANoneChosenInThisRunIsNotOverriddenOffscreen) {
    StoreAndRestart([](TShowForm& w) { w.ExecuteToken("rootname", "first"); });
    ASSERT_EQ(SaveMode, pmRegistry);
    ASSERT_TRUE(Close());
    // The window's own question, as offscreen runs meet it.
    const auto openAsIs = [this] {
        window_ = std::make_unique<TShowForm>();
        window_->ShowWarning = [this](const QString& text) { warnings << text; };
        window_->show();
    };
    openAsIs();
    W().ExecuteToken("save_prefs", "none");
    W().ExecuteToken("rootname", "afternone");
    ASSERT_TRUE(Close());
    openAsIs();
    EXPECT_EQ(SaveMode, pmNone);
    EXPECT_NE(W().S->DefaultRacine.Value, "afternone");
    // A run where nobody chose takes "Normal" offscreen, as before.
    W().ExecuteToken("rootname", "nobodychose");
    ASSERT_TRUE(Close());
    openAsIs();
    EXPECT_EQ(SaveMode, pmRegistry);
    EXPECT_EQ(W().S->DefaultRacine.Value, "nobodychose");
}

// The volume keys given at start-up are the actions' own, so the shortcuts table shows them.
TEST_F(ShowForm, TheVolumeCommandsCarryTheirStartUpKeys) {
    Open();
    auto* up = qobject_cast<TCustomSuperAction*>(W().Action("saIncVolume"));
    auto* down = qobject_cast<TCustomSuperAction*>(W().Action("saDecVolume"));
    ASSERT_TRUE(up && down);
    EXPECT_EQ(up->ShortCut(), TextToShortCut(u"Num +"));
    EXPECT_EQ(down->ShortCut(), TextToShortCut(u"Num -"));
    EXPECT_TRUE(up->SecondaryShortcuts().contains("Alt+P"));
    EXPECT_TRUE(up->shortcuts().contains(QKeySequence(Qt::KeypadModifier | Qt::Key_Plus)));
    EXPECT_TRUE(down->shortcuts().contains(QKeySequence("Alt+M")));
    // Typing into an inlay field takes the keys away for a while; they come back whole.
    W().InlayTextFieldEntered();
    EXPECT_TRUE(up->shortcuts().isEmpty());
    W().InlayTextFieldLeft();
    EXPECT_TRUE(up->shortcuts().contains(QKeySequence("Alt+P")));
    EXPECT_EQ(down->ShortCut(), TextToShortCut(u"Num -"));
}

// A stored window size of any value (damaged settings) is brought onto the screen. (In reduced
// mode the closing keeps the stored normal size, so it survives the first close as written.)
TEST_F(ShowForm, AnAbsurdStoredWindowSizeIsBroughtOntoTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const int value : {1'000'000'000, INT_MAX, -1'000'000'000, INT_MIN}) {
        StoreAndRestart([value](TShowForm& w) {
            w.S->MainWidth.Value = value;
            w.S->MainHeight.Value = value;
            w.S->ReducedOn.Value = true;
        });
        EXPECT_LE(W().S->MainWidth.Value, screen.width()) << value;
        EXPECT_LE(W().S->MainHeight.Value, screen.height()) << value;
        W().RestoreWindow(); // back to the normal size, within the screen
        EXPECT_FALSE(W().Checked("taReduire"));
        EXPECT_LE(W().width(), std::max(screen.width(), layout::kMinimumWidth)) << value;
        EXPECT_LE(W().height(), std::max(screen.height(), layout::kMinimumHeight)) << value;
        ASSERT_TRUE(Close());
    }
}

} // namespace
} // namespace apptest
