#include "ui/filtres_warning_form.h"

#include "settings/parameters.h"
#include "settings/preferences.h"
#include "ui/link_edit.h"
#include "ui/program_addresses.h"
#include "support/widget_application.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace sp {
namespace {

const QString kClosing = "You should quit the application, and install the missing filters, "
                         "before relaunching it.<br><br>You may nevertheless try to continue, but "
                         "many video files could not work well.<br><br>To learn how to install "
                         "the missing filters, <url " +
                         kFilterInstallPage + ">click here</url>.";

TEST(FiltresWarningText, OneParagraphForWhatIsMissingThenTheClosingText) {
    const QString both = TFiltresWarningForm::WarningMarkup(true, true);
    EXPECT_TRUE(both.startsWith("<b><color maroon>Stillpick</color></b> is build to function with "
                                "the filters <b><color blue>Haali Media Splitter</color></b> and "
                                "<b><color blue>ffdshow</color></b> that have not been found on "
                                "your system.<br><br>"));
    const QString haali = TFiltresWarningForm::WarningMarkup(true, false);
    EXPECT_TRUE(haali.startsWith("<b><color maroon>Stillpick</color></b> is build to function "
                                 "with the filter<b><color blue>Haali Media Splitter</color></b> "
                                 "that has not been found on your system.<br><br>"));
    const QString ffdshow = TFiltresWarningForm::WarningMarkup(false, true);
    EXPECT_TRUE(ffdshow.startsWith("<b><color maroon>Stillpick</color></b> is build to function "
                                   "with the filters <b><color blue>ffdshow</color></b> that have "
                                   "not been found on your system.<br><br>"));
    for (const QString& text : {both, haali, ffdshow})
        EXPECT_TRUE(text.endsWith(kClosing));
}

class MainWindowStandIn : public QWidget {
public:
    int closeQueries = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeQueries;
        event->accept();
    }
};

class FiltresWarningTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedMode_ = SaveMode;
        main_.setGeometry(100, 100, 800, 600);
        main_.show();
    }
    void TearDown() override { SaveMode = savedMode_; }

    // Runs the warning modally and answers it with `button` once it is up.
    bool warnAndAnswer(QPushButton* button, bool haali, bool video, bool audio) {
        form_.RunOffscreen = true;
        QTimer::singleShot(0, button, &QPushButton::click);
        return WarnAboutMissingFilters(form_, &main_, true, haali, video, audio);
    }

    TPrefsMode savedMode_;
    TparameterList list_{"test"};
    TBooleanParameter warn_{"Avertir si Filtres Absents", true, list_};
    MainWindowStandIn main_;
    TFiltresWarningForm form_{&warn_, &main_};
};

TEST_F(FiltresWarningTest, QuitClosesTheMainWindowThroughItsCloseQuery) {
    EXPECT_TRUE(warnAndAnswer(form_.QuitButton(), false, true, true));
    EXPECT_TRUE(form_.QuitFlag);
    EXPECT_EQ(form_.Text()->RichText(), TFiltresWarningForm::WarningMarkup(true, false));
    EXPECT_EQ(main_.closeQueries, 1);
    EXPECT_FALSE(main_.isVisible());
}

TEST_F(FiltresWarningTest, ContinueKeepsTheProgramOpen) {
    EXPECT_TRUE(warnAndAnswer(form_.ContinueButton(), true, true, false));
    EXPECT_FALSE(form_.QuitFlag);
    EXPECT_EQ(form_.Text()->RichText(), TFiltresWarningForm::WarningMarkup(false, true));
    EXPECT_EQ(main_.closeQueries, 0);
    EXPECT_TRUE(main_.isVisible());
    // The dialog was centred on the main window.
    EXPECT_LE((form_.geometry().center() - main_.geometry().center()).manhattanLength(), 2);
}

TEST_F(FiltresWarningTest, EscapeAnswersQuit) {
    form_.Prepare(true, true);
    form_.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&form_, &esc);
    EXPECT_TRUE(form_.QuitFlag);
    EXPECT_FALSE(form_.isVisible());
}

TEST_F(FiltresWarningTest, ShownOnlyWhenWantedAndSomethingIsMissing) {
    EXPECT_FALSE(WarnAboutMissingFilters(form_, &main_, true, true, true, true));
    EXPECT_FALSE(WarnAboutMissingFilters(form_, &main_, false, false, false, false));
    // Offscreen, with no one to answer, the warning continues, and says so.
    testing::internal::CaptureStderr();
    EXPECT_TRUE(WarnAboutMissingFilters(form_, &main_, true, false, false, false));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("continuing"), std::string::npos);
    EXPECT_FALSE(form_.QuitFlag);
    EXPECT_EQ(main_.closeQueries, 0);
}

TEST_F(FiltresWarningTest, DontWarnAgainIsKeptEvenWhenNothingWasSaved) {
    SaveMode = pmNone;
    form_.DontWarnBox()->setChecked(true);
    EXPECT_FALSE(warn_.Value);
    EXPECT_EQ(SaveMode, pmRegistry);
    form_.DontWarnBox()->setChecked(false);
    EXPECT_TRUE(warn_.Value);
    EXPECT_EQ(SaveMode, pmRegistry);

    SaveMode = pmPortable;
    form_.DontWarnBox()->setChecked(true);
    EXPECT_FALSE(warn_.Value);
    EXPECT_EQ(SaveMode, pmPortable);
}

} // namespace
} // namespace sp
