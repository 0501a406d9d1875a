#include "settings/super_action.h"

#include <QList>

namespace sp {

QStringList ArgumentList;
bool PrepareOk = true;
bool CommandBusy = false;

TCustomSuperAction::TCustomSuperAction(QObject* parent) : QAction(parent) {
    // Every action can hold a checked flag (panel actions are checked while their panel shows).
    setCheckable(true);
    connect(this, &QAction::triggered, this, &TCustomSuperAction::Triggered);
}

void TCustomSuperAction::SetHint(const QString& hint) {
    hint_ = hint;
    setToolTip(hint);
    setStatusTip(hint);
}

void TCustomSuperAction::SetShortCut(TShortCut shortCut) {
    shortCut_ = shortCut;
    ApplyShortcuts();
}

void TCustomSuperAction::SetSecondaryShortcuts(const QStringList& texts) {
    secondary_ = texts;
    ApplyShortcuts();
}

void TCustomSuperAction::AddSecondaryShortcut(const QString& text) {
    secondary_.append(text);
    ApplyShortcuts();
}

void TCustomSuperAction::ApplyShortcuts() {
    QList<QKeySequence> sequences;
    if (shortCut_ != scNone) sequences.append(ShortCutToKeySequence(shortCut_));
    for (const QString& text : secondary_) {
        const QKeySequence sequence = ShortCutToKeySequence(TextToShortCut(text));
        if (!sequence.isEmpty() && !sequences.contains(sequence)) sequences.append(sequence);
    }
    setShortcuts(sequences);
}

void TCustomSuperAction::SetEnabled(bool enabled) {
    enabled_ = enabled;
    QAction::setEnabled(enabled);
}

void TCustomSuperAction::SetSwitch(const QString& text) {
    switch_ = text.toLower();
}

void TCustomSuperAction::SetToken(const QString& text) {
    token_ = text.toLower();
}

void TCustomSuperAction::Setimageindex(int index) {
    if (index == imageIndex_) return;
    imageIndex_ = index;
    if (OnImageChanged) OnImageChanged(*this, index);
}

void TCustomSuperAction::SetChecked(bool checked) {
    QAction::setChecked(checked);
}

bool TCustomSuperAction::Execute() {
    if (!enabled_) return false;
    PrepareOk = true;
    ArgumentList.clear();
    if (Onprepare) {
        const TNotifyEvent prepare = Onprepare; // the handler may replace itself
        prepare(this);
    }
    if (!PrepareOk) return true;
    return RunHandler(this);
}

bool TCustomSuperAction::RunHandler(QObject* sender) {
    if (!enabled_) return false;
    if (autoCheck_) QAction::setChecked(!QAction::isChecked());
    if (!HasHandler()) return false;
    CallHandler(sender);
    return true;
}

// Qt has already flipped the checked flag of the triggered action; Execute() decides instead.
void TCustomSuperAction::Triggered() {
    QAction::setChecked(!QAction::isChecked());
    Execute();
}

void TSuperAction::CallHandler(QObject* sender) {
    const TNotifyEvent handler = Onexecute; // the handler may replace itself
    handler(sender);
}

bool TtoggleAction::Execute() {
    SetChecked(Checked());
    return TCustomSuperAction::Execute();
}

void TtoggleAction::SetChecked(bool checked) {
    SetCaption(checked ? TrueCaption : FalseCaption);
    SetHint(checked ? TrueHint : FalseHint);
    Setimageindex(checked ? TrueImageIndex : FalseImageIndex);
    trueHandlerInstalled_ = checked;
    TCustomSuperAction::SetChecked(checked);
}

void TtoggleAction::CallHandler(QObject* sender) {
    const TNotifyEvent handler = InstalledHandler();
    handler(sender);
}

} // namespace sp
