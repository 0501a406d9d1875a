// The inlay settings: the record (the setting "IncrustRec") shown in the Inlay panel, edited by
// the panel, the inlay actions (also script commands) and the two position sliders, and handed
// to the inlay renderer. The record reaches the streaming thread only through the renderer's
// SetInlaySettings (the media system's ApplyInlaySettings), which swaps it in between frames.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/inlay_values.h"
#include "app/panels/incruster_frame.h"
#include "app/panels/panel_column.h"
#include "filters/inlay_text.h"
#include "settings/action_table.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QSlider>

#include <algorithm>

namespace sp {

namespace {

QString Argument() {
    return ArgumentList.isEmpty() ? QString() : ArgumentList.front();
}

bool HasArgument() {
    return !ArgumentList.isEmpty();
}

// The kinds whose dates the time difference shifts.
bool ShiftsDates(uint8_t kind) {
    return kind == 0 || kind == 3 || kind == 5;
}

const char* const kStyleActions[] = {"taBold", "taItalic", "taUnderlined"};

QString BorderCaption(int32_t size) {
    return size == 0 ? QString() : QString::number(size);
}

// The paused picture drawn again with the renderer's new settings.
void RedrawStill(TMediaSystem* media) {
    if (!media || !media->HasVideo()) return;
    try {
        media->RefreshStill();
    } catch (const std::exception&) {
    }
    QCoreApplication::processEvents();
}

} // namespace

TincrustRec& TShowForm::InlayRecord() {
    return S->IncrustRec.Value;
}

TIncrusterFrame* TShowForm::InlayPanel() const {
    return Widgets().Panels->incruster();
}

void TShowForm::BindInlayActions() {
    TActionList& al = *actions_;
    auto on = [](auto f) { return [f](QObject*) { f(); }; };
    const std::pair<const char*, uint8_t> kinds[] = {
        {"saIncrustDatecode", 0}, {"saIncrustTimecode", 1}, {"saIncrustPerso", 2},
        {"saIncrustReel", 3},     {"saIncrustNumero", 6},   {"saIncrustTimeStamp", 7}};
    for (const auto& [name, kind] : kinds)
        al.OnExecute(name, on([this, kind = kind] { SetInlayKind(kind); }));
    al.OnExecute("saIncrustNeant", on([this] { InlayOff(); }));
    al.OnExecute("saIncrustFont", on([this] { InlayFontCommand(Argument()); }));
    al.OnExecute("taFontsize", on([this] { FontSizeCommand(Argument()); }));
    for (int style = 0; style < 3; ++style)
        al.OnSwitch(kStyleActions[style], on([this, style] { SetInlayStyle(style, true); }),
                    on([this, style] { SetInlayStyle(style, false); }));
    al.OnExecute("saFontColor", on([this] { FontColorCommand(Argument()); }));
    al.OnExecute("saBorderSize", on([this] {
                     if (HasArgument()) SetBorderSize(ReadInteger(Argument()));
                 }));
    al.OnExecute("saAlignerGauche", on([this] { SetInlayAlignment(0); }));
    al.OnExecute("saAlignCentre", on([this] { SetInlayAlignment(1); }));
    al.OnExecute("saAlignerDroite", on([this] { SetInlayAlignment(2); }));
    al.OnExecute("saAlignSousTitre", on([this] { SetInlayAlignment(3); }));
    for (int line = 1; line <= 2; ++line) {
        al.OnExecute(line == 1 ? "saFormatDatecode1" : "saFormatDatecode2", on([this, line] {
                         if (HasArgument()) InlayPanel()->setDateFormat(line, Argument());
                         SetDateFormat(line, InlayPanel()->dateFormat(line));
                     }));
        al.OnExecute(line == 1 ? "saPerso1" : "saPerso2", on([this, line] {
                         if (HasArgument()) InlayPanel()->setTemplate(line, Argument());
                         SetTemplate(line, InlayPanel()->templateText(line));
                     }));
    }
    al.OnSwitch("taDecalage", on([this] { ShowDecalagePanel(); }),
                on([this] { HideDecalagePanel(); }));
    AddDecalageCommand();
    ConnectInlayPanel();
}

void TShowForm::ConnectInlayPanel() {
    TIncrusterFrame* p = InlayPanel();
    p->setKindActions({Action("saIncrustDatecode"), Action("saIncrustTimecode"),
                       Action("saIncrustPerso"), Action("saIncrustTimeStamp"),
                       Action("saIncrustNumero"), Action("saIncrustNeant")});
    p->setSlidersAction(Action("taSliders"));
    p->setDecalageAction(Action("taDecalage"));
    connect(p, &TIncrusterFrame::fontChosen, this, &TShowForm::InlayFontChosen);
    connect(p, &TIncrusterFrame::sizeEdited, this, &TShowForm::FontSizeChanged);
    connect(p, &TIncrusterFrame::boldClicked, this, [this](bool b) { SetInlayStyle(0, b); });
    connect(p, &TIncrusterFrame::italicClicked, this, [this](bool b) { SetInlayStyle(1, b); });
    connect(p, &TIncrusterFrame::underlineClicked, this, [this](bool b) { SetInlayStyle(2, b); });
    connect(p, &TIncrusterFrame::colorChosen, this, &TShowForm::InlayColorChosen);
    connect(p, &TIncrusterFrame::borderChosen, this, &TShowForm::SetBorderSize);
    connect(p, &TIncrusterFrame::alignmentClicked, this, &TShowForm::SetInlayAlignment);
    connect(p, &TIncrusterFrame::dateFormatEdited, this, &TShowForm::SetDateFormat);
    connect(p, &TIncrusterFrame::templateEdited, this, &TShowForm::SetTemplate);
    connect(p, &TIncrusterFrame::textFieldEntered, this, &TShowForm::InlayTextFieldEntered);
    connect(p, &TIncrusterFrame::textFieldLeft, this, &TShowForm::InlayTextFieldLeft);
    connect(p, &TIncrusterFrame::newDateEdited, this, &TShowForm::DecalageChange);
    connect(p, &TIncrusterFrame::resetClicked, this, &TShowForm::ResetDecalage);
}

// ---- The record, the panel and the renderer ----

void TShowForm::ShowInlayRecord(const TincrustRec& record) {
    const TincrustRec r = record; // the sliders below may change the program's record
    TIncrusterFrame* p = InlayPanel();
    p->setAlignment(r.Alignement);
    p->setTemplate(1, QString::fromStdWString(r.Incrust1));
    p->setTemplate(2, QString::fromStdWString(r.Incrust2));
    p->setDateFormat(1, QString::fromStdWString(r.FormatDate1));
    p->setDateFormat(2, QString::fromStdWString(r.FormatDate2));
    // A face that is not installed shows as the face the system draws instead.
    const QString face = QString::fromStdWString(r.FontRec.Name);
    if (!p->selectFont(face) && !p->selectFont(QFontInfo(QFont(face)).family()))
        p->selectFirstFont();
    // Stored settings may hold any number; it is drawn at the bound, and shown so.
    p->setSizeText(r.Autofontsize ? QString("auto")
                                  : QString::number(BoundFontSize(r.FontRec.Size)));
    p->setBold(r.FontRec.Bold);
    p->setItalic(r.FontRec.Italic);
    p->setUnderline(r.FontRec.Underline);
    SetChecked("taBold", r.FontRec.Bold);
    SetChecked("taItalic", r.FontRec.Italic);
    SetChecked("taUnderlined", r.FontRec.Underline);
    p->setColor(r.FontRec.Color);
    p->setBorderCaption(BorderCaption(r.BorderSize));
    Xslider->setValue(r.Xpos);
    Yslider->setValue(930 - std::clamp(r.Ypos, 0, 930)); // stored values may be any number
    p->setDifferenceText(r.DecalageHoraire != 0 ? DifferenceText(r.DecalageHoraire) : QString());
    p->setDecalageEnabled(ShiftsDates(r.WhatIncrust));
}

void TShowForm::HandInlayRecord() {
    if (Media) Media->ApplyInlaySettings(InlayRecord());
}

void TShowForm::ApplyInlay() {
    InlayPanel()->setDecalageEnabled(ShiftsDates(InlayRecord().WhatIncrust));
    HandInlayRecord();
    RefreshPicture();
}

// ---- Kinds ----

void TShowForm::SetInlayKind(uint8_t kind) {
    InlayRecord().WhatIncrust = kind;
    // Switching the inlay on hands the record over and draws the picture already.
    if (!Checked("taIncruster")) {
        Execute("taIncruster");
        if (Checked("taIncruster")) {
            InlayPanel()->setDecalageEnabled(ShiftsDates(kind));
            return;
        }
    }
    ApplyInlay();
}

void TShowForm::InlayOff() {
    if (Checked("taIncruster")) Execute("taIncruster");
}

// ---- Font, size, styles, colour, border ----

void TShowForm::InlayFontCommand(const QString& argument) {
    if (!argument.isNull()) InlayPanel()->selectFont(argument.trimmed());
    InlayFontChosen();
}

void TShowForm::InlayFontChosen() {
    InlayRecord().FontRec.Name = InlayPanel()->fontName().toStdWString();
    ApplyInlay();
}

void TShowForm::FontSizeCommand(const QString& argument) {
    if (!argument.isNull()) {
        const QString a = argument.trimmed().toLower();
        if (a == "auto") {
            InlayPanel()->setSizeText("auto");
        } else if (const int32_t size = ReadInteger(a); size > 0) {
            InlayPanel()->setSizeText(QString::number(BoundFontSize(size)));
        }
    }
    FontSizeChanged();
}

// "auto" switches the automatic size on; any other text switches it off, and a readable size
// above 0 becomes the font size (so the list's "auto©" keeps the size it had).
void TShowForm::FontSizeChanged() {
    TincrustRec& r = InlayRecord();
    const QString text = InlayPanel()->sizeText();
    if (text == "auto") {
        r.Autofontsize = true;
    } else {
        r.Autofontsize = false;
        if (const int32_t size = ReadInteger(text); size > 0) r.FontRec.Size = BoundFontSize(size);
    }
    ApplyInlay();
}

void TShowForm::SetInlayStyle(int style, bool on) {
    TfontRecord& f = InlayRecord().FontRec;
    TIncrusterFrame* p = InlayPanel();
    switch (style) {
    case 0:
        f.Bold = on;
        p->setBold(on);
        break;
    case 1:
        f.Italic = on;
        p->setItalic(on);
        break;
    default:
        f.Underline = on;
        p->setUnderline(on);
        break;
    }
    SetChecked(kStyleActions[std::clamp(style, 0, 2)], on);
    ApplyInlay();
}

void TShowForm::InlayColorChosen(int32_t bgr) {
    InlayRecord().FontRec.Color = bgr;
    ApplyInlay();
}

void TShowForm::FontColorCommand(const QString& argument) {
    if (!argument.isNull()) InlayPanel()->setColor(ColorFromText(argument));
    InlayColorChosen(InlayPanel()->color());
}

void TShowForm::SetBorderSize(int32_t size) {
    InlayRecord().BorderSize = size;
    InlayPanel()->setBorderCaption(BorderCaption(size));
    ApplyInlay();
}

// ---- Alignment, formats, templates ----

void TShowForm::SetInlayAlignment(int alignment) {
    if (alignment < 0 || alignment > 3) return;
    InlayRecord().Alignement = uint8_t(alignment);
    InlayPanel()->setAlignment(alignment);
    // A subtitle is centred: the X slider goes to the middle, which makes it a centred inlay.
    if (alignment == 3) Xslider->setValue(500);
    ApplyInlay();
}

void TShowForm::SetDateFormat(int line, const QString& format) {
    (line == 1 ? InlayRecord().FormatDate1 : InlayRecord().FormatDate2) = format.toStdWString();
    ApplyInlay();
}

void TShowForm::SetTemplate(int line, const QString& text) {
    (line == 1 ? InlayRecord().Incrust1 : InlayRecord().Incrust2) = text.toStdWString();
    ApplyInlay();
}

// ---- Position sliders ----

void TShowForm::XsliderChanged(int value) {
    TincrustRec& r = InlayRecord();
    if (r.Alignement == 3) {
        r.Alignement = 1;
        InlayPanel()->setAlignment(1);
    }
    r.Xpos = value;
    HandInlayRecord();
    RedrawStill(Media.get());
}

void TShowForm::YsliderChanged(int value) {
    InlayRecord().Ypos = 930 - value;
    HandInlayRecord();
    RedrawStill(Media.get());
}

// ---- Typing in the panel's text fields ----

// "+", "-" and blanks typed into a format or a template must reach the field, not the volume
// and play commands.
void TShowForm::InlayTextFieldEntered() {
    if (auto* inc = Action("saIncVolume")) inc->setShortcuts({});
    if (auto* dec = Action("saDecVolume")) dec->setShortcuts({QKeySequence("Alt+M")});
    if (auto* play = Action("taPlayPause")) play->setShortcut(QKeySequence());
}

void TShowForm::InlayTextFieldLeft() {
    for (const char* name : {"saIncVolume", "saDecVolume"})
        if (TCustomSuperAction* action = actions_->Find(name)) action->ApplyShortcuts();
    if (auto* play = Action("taPlayPause")) play->setShortcut(QKeySequence(Qt::Key_Space));
}

} // namespace sp
