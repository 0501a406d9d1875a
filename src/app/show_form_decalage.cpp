// The time difference of the inlay: a number of days added to the recording and real dates the
// inlay writes. The panel shows an old date (the recording date of the picture, or now) and lets
// the user set the new date it should read; the difference is kept in the record.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/inlay_values.h"
#include "app/panels/incruster_frame.h"
#include "app/panels/panel_column.h"
#include "describe/day_count.h"
#include "filters/date_format.h"
#include "settings/action_table.h"

#include <QLocale>

#include <cmath>

namespace sp {

namespace {

// A script command of its own (the table has no row for it): the time difference in days.
constexpr TActionRow kDecalageRow{"saDecalage",
                                  TActionKind::Plain,
                                  "incrust",
                                  "Time difference in days",
                                  "",
                                  "",
                                  "",
                                  "",
                                  "decalage_days",
                                  false,
                                  "Sets the time difference added to the inlayed dates",
                                  "",
                                  "days"};

// The day count of a date at a time of day, summed as TruncateToSecond sums it, so that the
// editors set from a date give that same count back.
double DayCountOf(const QDate& date, int hour, int minute, int second) {
    const std::optional<double> day =
        EncodeDayCount({date.year(), date.month(), date.day(), 0, 0, 0, 0});
    return day.value_or(0) + (double(hour) / 24 + double(minute) / 1440 + double(second) / 86400);
}

} // namespace

void TShowForm::AddDecalageCommand() {
    TCustomSuperAction* action = MakeAction(kDecalageRow, actions_);
    actions_->Add(action);
    actions_->OnExecute("saDecalage", [this](QObject*) {
        if (!ArgumentList.isEmpty()) DecalageCommand(ArgumentList.front());
    });
    // Script only: given interactively it refuses to run.
    actions_->OnPrepare("saDecalage", [](QObject*) { PrepareOk = false; });
}

void TShowForm::ShowDecalagePanel() {
    const uint8_t kind = InlayRecord().WhatIncrust;
    const bool recorded = Media && Media->HasVideoNotifier() && Media->VideoInfo.RecDateValid;
    if (kind == 0 && !recorded) {
        SetChecked("taDecalage", false); // nothing to correct: the panel stays hidden
        return;
    }
    if (kind == 0 || (kind == 5 && recorded))
        OldDate = TruncateToSecond(Media->VideoInfo.RecDateTime);
    else if (kind == 3 || kind == 5)
        OldDate = TruncateToSecond(CurrentDayCount());
    if (kind == 0 || kind == 3 || kind == 5) SetEditorsFromOldDate();
    TIncrusterFrame* p = InlayPanel();
    p->setOldDateText("Old date: " +
                      FormatDateTime(u"ddddd tt", OldDate, DateFormatConventionsFor(QLocale())));
    p->setDecalagePanelShown(true);
    SetChecked("taDecalage", true);
}

void TShowForm::HideDecalagePanel() {
    InlayPanel()->setDecalagePanelShown(false);
    SetChecked("taDecalage", false);
}

void TShowForm::SetEditorsFromOldDate() {
    const std::optional<CalendarDateTime> old = DecodeDayCount(OldDate);
    const CalendarDateTime t = old.value_or(CalendarDateTime{});
    InlayPanel()->setNewDate(QDate(t.Year, t.Month, t.Day), t.Hour, t.Minute, t.Second);
    DecalageChange(); // the editors changed: the difference follows
}

void TShowForm::DecalageChange() {
    TIncrusterFrame* p = InlayPanel();
    NewDate = DayCountOf(p->newDate(), p->newHour(), p->newMinute(), p->newSecond());
    const double difference = NewDate - OldDate;
    // Under half a second the two dates read the same.
    const bool same = std::fabs(difference) * 86400 < 0.5;
    p->setDifferenceText(same ? QString() : DifferenceText(difference));
    InlayRecord().DecalageHoraire = same ? 0.0 : difference;
    HandInlayRecord();
    ApplyInlay();
}

void TShowForm::ResetDecalage() {
    SetEditorsFromOldDate();
}

void TShowForm::DecalageCommand(const QString& argument) {
    InlayRecord().DecalageHoraire = ReadDays(argument);
    HandInlayRecord();
}

} // namespace sp
