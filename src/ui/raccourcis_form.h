#pragma once
// The shortcuts window: a tool window listing every command with a caption, its primary
// shortcut, its switch and its token, sorted by the column chosen with a click on the header
// (kept in the setting "Raccourcis Sort"). A double-click on a row runs its action as the user
// interface does (Execute, with preparation); the tooltip of a row is its action's hint.
//
// Usage (main window):
//   form = new TRaccourcisForm(this);            // a tool window owned by the main window
//   form->BindToggle(*al.Toggle("taraccourcis")); // F11 shows and hides it
//   form->SetSortSetting(&settings->RaccourcisSort);
//   form->FillTable(al);                         // at the first show
//
// User-interface thread only. The form does not own the actions or the setting; it keeps
// pointers to them, which must outlive it (rows of actions destroyed meanwhile do nothing).

#include "settings/action_table.h"
#include "settings/parameters.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class QTableWidget;

namespace sp {

class TRaccourcisForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 18;
    static constexpr int kColumnWidths[4] = {238, 80, 60, 100};

    explicit TRaccourcisForm(QWidget* parent = nullptr);

    // The setting that holds the sort column (0 caption, 1 keys, 2 switch, 3 token; other values
    // sort as 0). Without one the column is kept by the form alone.
    void SetSortSetting(TRaccourcisSortParameter* setting) { sortSetting_ = setting; }
    int SortColumn() const;
    // Stores the column and refills the table, as a click on that header does.
    void SortBy(int column);

    // Lists every action of `list` whose caption is not empty, sorted by the sort column; the
    // list is kept for the refill after a change of sort column.
    void FillTable(const TActionList& list);

    // Installs the handlers of `toggle` that show and hide this window (its preparation reads
    // the window's visibility into Checked) and lets the close box run it.
    void BindToggle(TtoggleAction& toggle);

    QTableWidget* StringGrid1() const { return grid_; }
    // The action of a data row (0 is the first row below the header), or null.
    TCustomSuperAction* RowAction(int row) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunRow(int row);
    bool ShowRowHint(const QPoint& viewportPos, const QPoint& globalPos);
    void ShowWindow();

    QTableWidget* grid_ = nullptr;
    QPointer<const TActionList> list_;
    std::vector<QPointer<TCustomSuperAction>> rowActions_;
    TRaccourcisSortParameter* sortSetting_ = nullptr;
    int sortColumn_ = 0; // used without a setting
    QPointer<TtoggleAction> toggle_;
};

} // namespace sp
