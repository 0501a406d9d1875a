// The handlers of the window's own commands, attached to the rows of the action table by name,
// and the two script runners. Rows of the grabbing, intervalometer, view and inlay commands are
// attached by their own theme files when those exist; until then they do nothing.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "settings/action_table.h"
#include "settings/script.h"

#include <QFileDialog>
#include <QThread>

namespace sp {

namespace {

QString Argument() {
    return ArgumentList.isEmpty() ? QString() : ArgumentList.front();
}

// The side panels' actions, by panel number.
const char* const kPanelActions[] = {"saSourcesFrame",   "saDossiersFrame", "saExtraireFrame",
                                     "saIncrusterFrame", "saOptionsFrame",  "saHelp",
                                     "saApropos"};

} // namespace

QAction* TShowForm::Action(const char* name) const {
    return actions_ ? actions_->Find(QAnyStringView(name)) : nullptr;
}

bool TShowForm::Checked(const char* name) const {
    auto* action = actions_ ? actions_->Find(QAnyStringView(name)) : nullptr;
    return action && action->Checked();
}

void TShowForm::SetChecked(const char* name, bool on) {
    if (auto* action = actions_ ? actions_->Find(QAnyStringView(name)) : nullptr)
        action->SetChecked(on);
}

void TShowForm::SetEnabled(const char* name, bool on) {
    if (auto* action = actions_ ? actions_->Find(QAnyStringView(name)) : nullptr)
        action->SetEnabled(on);
}

void TShowForm::Execute(const char* name) {
    if (auto* action = actions_ ? actions_->Find(QAnyStringView(name)) : nullptr) action->Execute();
}

bool TShowForm::ExecuteToken(const QString& token, const QString& argument) {
    TScript runner;
    runner.actionlist = actions_;
    TCustomSuperAction* action = runner.FindAction(token);
    if (!action) return false;
    ArgumentList.clear();
    if (!argument.isNull()) ArgumentList << argument;
    action->RunHandler(this);
    return true;
}

const char* TShowForm::PanelActionName(int n) {
    return n >= 0 && n < 7 ? kPanelActions[n] : nullptr;
}

void TShowForm::BindActions() {
    TActionList& al = *actions_;
    auto on = [](auto f) { return [f](QObject*) { f(); }; };
    // Side panels.
    for (int n = 0; n < 7; ++n) {
        if (n == 5) continue;
        al.OnExecute(kPanelActions[n], on([this, n] { ShowPanel(n); }));
    }
    al.OnExecute("saHelp", on([this] { ShowHelpPanel(); }));
    al.OnExecute("saNextPanneau", on([this] { NextPanel(); }));
    // Shell.
    al.OnExecute("acQuitter", on([this] { close(); }));
    al.OnExecute("saAbort", on([this] { Abort(); }));
    al.OnExecute("saWait", on([] {
                     bool ok = false;
                     const int ms = Argument().trimmed().toInt(&ok);
                     if (!ArgumentList.isEmpty() && ok && ms > 0) QThread::msleep(ulong(ms));
                 }));
    al.OnExecute("saPreferences", on([this] {
                     if (!ArgumentList.isEmpty()) SavePreferencesCommand(Argument());
                 }));
    for (int i = 0; i < kOptionCount; ++i)
        al.OnSwitch(OptionActionName(i), on([this, i] { SetOptionAction(i, true); }),
                    on([this, i] { SetOptionAction(i, false); }));
    // Opening.
    al.OnPrepare("saOpenFile", on([this] { AskForVideoFile(); }));
    al.OnExecute("saOpenFile", on([this] {
                     if (!ArgumentList.isEmpty()) OpenFile(Argument());
                 }));
    al.OnExecute("saBouclerScript", on([this] { OpenNextFile(); }));
    // Script only: given interactively (a shortcut, a menu) they refuse to run.
    al.OnPrepare("saBouclerScript", on([] { PrepareOk = false; }));
    al.OnPrepare("saPosition", on([] { PrepareOk = false; }));
    al.OnExecute("saPaste", on([this] { PasteFile(); }));
    al.OnExecute("saVider", on([this] { CloseVideo(); }));
    // Playback and navigation.
    al.OnSwitch("taPlayPause", on([this] { PlayPause(true); }), on([this] { PlayPause(false); }));
    al.OnExecute("saReculeLow", on([this] { StepBy(Step::FrameBack); }));
    al.OnExecute("saAvanceLow", on([this] { StepBy(Step::FrameForward); }));
    al.OnExecute("saReculeMedium", on([this] { StepBy(Step::SecondBack); }));
    al.OnExecute("saAvanceMedium", on([this] { StepBy(Step::SecondForward); }));
    al.OnExecute("saReculeHigh", on([this] { StepBy(Step::MinuteBack); }));
    al.OnExecute("saAvanceHigh", on([this] { StepBy(Step::MinuteForward); }));
    al.OnExecute("saReculeTrack", on([this] { SceneStep(false); }));
    al.OnExecute("saAvanceTrack", on([this] { SceneStep(true); }));
    al.OnExecute("saPosition", on([this] {
                     CommandBusy = true;
                     if (!ArgumentList.isEmpty()) GoToTimecode(Argument());
                     CommandBusy = false;
                 }));
    al.OnSwitch("taVitesseMaxi", on([this] { MaxSpeedOn(); }), on([this] { MaxSpeedOff(); }));
    // Scripts.
    al.OnPrepare("saScript", on([this] { AskForScriptFile(); }));
    al.OnExecute("saScript", on([this] {
                     if (!ArgumentList.isEmpty()) script_->RunFile(Argument());
                 }));
    // View, sound and inlay (show_form_view.cpp, show_form_inlay.cpp).
    BindViewActions();
    // Grabbing, naming and the intervalometer.
    BindGrabCommands();
    BindIntervalCommands();
    BindBestFrameCommands();
    BindStripCommands();
}

void TShowForm::AskForVideoFile() {
    const QString path =
        QFileDialog::getOpenFileName(this, "Open a file", OpenFolder, OpenDialogFilter());
    PrepareOk = !path.isEmpty();
    if (PrepareOk) ArgumentList = QStringList{path};
    dialogChoice_ = path;
}

void TShowForm::AskForScriptFile() {
    const QString path =
        QFileDialog::getOpenFileName(this, "Launch script", OpenFolder, "*.txt (*.txt)");
    PrepareOk = !path.isEmpty();
    if (PrepareOk) ArgumentList = QStringList{path};
}

void TShowForm::CreateScriptRunner() {
    script_ = new TScript(this);
    script_->actionlist = actions_;
    script_->OnQuit = [this](QObject*) { close(); };
    script_->OnLoaded = [this](QObject*) { GiveUpStepsBackIfQuitting(*script_); };
}

// A run that ends the program (a grab from a script or a file manager) leaves no one to step
// back through its pictures: the files it opens from now on cache none.
void TShowForm::GiveUpStepsBackIfQuitting(const TCustomScript& runner) {
    if (runner.QuitRequested && Media) Media->StepsBack = false;
}

void TShowForm::CreateRunners(const QStringList& arguments) {
    delete switch_;
    switch_ = new TSwitch(arguments, this);
    switch_->actionlist = actions_;
    switch_->OnQuit = [this](QObject*) { close(); };
}

void TShowForm::RunCommandLine() {
    if (!switch_) return;
    if (!switch_->Activated()) {
        switch_->ParseCommandLine(); // Activate parses it again, and runs it
        GiveUpStepsBackIfQuitting(*switch_);
        switch_->Commands.clear();
    }
    switch_->Activate();
}

TCustomScript* TShowForm::InnermostRunner() const {
    // A script runs inside the command line when the command line started it, never the
    // other way round.
    if (script_ && script_->Executing()) return script_;
    if (switch_ && switch_->Executing()) return switch_;
    return nullptr;
}

void TShowForm::StopRunners() {
    if (script_) script_->Abort();
    if (switch_) switch_->Abort();
}

} // namespace sp
