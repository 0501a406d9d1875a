#include "ui/raccourcis_form.h"

#include "settings/program_info.h"

#include <QCloseEvent>
#include <QCollator>
#include <QHeaderView>
#include <QHelpEvent>
#include <QProxyStyle>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace sp {
namespace {

// One row before sorting: the texts of its four cells and its action.
struct Row {
    QString cells[4];
    TCustomSuperAction* action;
};

Row RowOf(TCustomSuperAction* action) {
    return {
        {action->Caption(), ShortCutToText(action->ShortCut()), action->Switch(), action->Token()},
        action};
}

// Compares the sort column's text, then the caption, then the component name, each with the
// collator, so that empty cells of the sort column come first and no two rows compare equal.
bool RowBefore(const Row& a, const Row& b, int column, const QCollator& collator) {
    const QString keysA[3] = {a.cells[column], a.cells[0], a.action->objectName()};
    const QString keysB[3] = {b.cells[column], b.cells[0], b.action->objectName()};
    for (int i = column == 0 ? 1 : 0; i < 3; ++i) {
        const int order = collator.compare(keysA[i], keysB[i]);
        if (order != 0) return order < 0;
    }
    return false;
}

// Over the grid every row's tooltip waits the full delay: with no fall-asleep time, Qt does not
// use its short re-show pause when the mouse moves on to the next row. Elsewhere the
// application's own style, and pauses, apply.
class FullTooltipPause : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_ToolTip_FallAsleepDelay) return 0;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

} // namespace

TRaccourcisForm::TRaccourcisForm(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(QStringLiteral("The commands of %1").arg(ProgramTitle()));
    grid_ = new QTableWidget(0, 4, this);
    grid_->setObjectName(QStringLiteral("StringGrid1"));
    grid_->setHorizontalHeaderLabels({QStringLiteral("Functions"), QStringLiteral("Keys"),
                                      QStringLiteral("Switches"), QStringLiteral("Script")});
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid_->setWordWrap(false);
    grid_->horizontalHeader()->setSectionsClickable(true);
    grid_->horizontalHeader()->setHighlightSections(false);
    for (int column = 0; column < 4; ++column)
        grid_->setColumnWidth(column, kColumnWidths[column]);
    grid_->viewport()->installEventFilter(this);
    auto* pause = new FullTooltipPause;
    pause->setParent(this);
    grid_->viewport()->setStyle(pause);
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TRaccourcisForm::SortBy);
    connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { RunRow(row); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
    resize(kColumnWidths[0] + kColumnWidths[1] + kColumnWidths[2] + kColumnWidths[3] + 24, 420);
}

int TRaccourcisForm::SortColumn() const {
    const int column = sortSetting_ ? sortSetting_->Value : sortColumn_;
    return column >= 0 && column < 4 ? column : 0;
}

void TRaccourcisForm::SortBy(int column) {
    if (column < 0 || column >= 4) return;
    sortColumn_ = column;
    if (sortSetting_) sortSetting_->Value = uint8_t(column);
    if (list_) FillTable(*list_);
}

void TRaccourcisForm::FillTable(const TActionList& list) {
    list_ = &list;
    std::vector<Row> rows;
    for (TCustomSuperAction* action : list.Actions())
        if (!action->Caption().isEmpty()) rows.push_back(RowOf(action));
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const int column = SortColumn();
    std::sort(rows.begin(), rows.end(),
              [&](const Row& a, const Row& b) { return RowBefore(a, b, column, collator); });

    grid_->clearContents();
    grid_->setRowCount(int(rows.size()));
    rowActions_.clear();
    for (int i = 0; i < int(rows.size()); ++i) {
        for (int c = 0; c < 4; ++c)
            grid_->setItem(i, c, new QTableWidgetItem(rows[size_t(i)].cells[c]));
        rowActions_.emplace_back(rows[size_t(i)].action);
    }
}

TCustomSuperAction* TRaccourcisForm::RowAction(int row) const {
    if (row < 0 || row >= int(rowActions_.size())) return nullptr;
    return rowActions_[size_t(row)];
}

void TRaccourcisForm::RunRow(int row) {
    if (TCustomSuperAction* action = RowAction(row)) action->Execute();
}

// The hint of the row under the mouse, over the whole width of that row; none elsewhere.
bool TRaccourcisForm::ShowRowHint(const QPoint& viewportPos, const QPoint& globalPos) {
    const int row = grid_->rowAt(viewportPos.y());
    const TCustomSuperAction* action = RowAction(row);
    if (!action || action->Hint().isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    const QRect area(0, grid_->rowViewportPosition(row), grid_->viewport()->width(),
                     grid_->rowHeight(row));
    QToolTip::showText(globalPos, action->Hint(), grid_->viewport(), area);
    return true;
}

bool TRaccourcisForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        return ShowRowHint(help->pos(), help->globalPos());
    }
    return QWidget::eventFilter(watched, event);
}

void TRaccourcisForm::BindToggle(TtoggleAction& toggle) {
    toggle_ = &toggle;
    toggle.Onprepare = [this](QObject*) {
        if (toggle_) toggle_->SetChecked(isVisible());
    };
    toggle.OnfalseExecute = [this](QObject*) { ShowWindow(); };
    toggle.OnTrueExecute = [this](QObject*) {
        hide();
        if (toggle_) toggle_->SetChecked(false);
    };
}

void TRaccourcisForm::ShowWindow() {
    if (toggle_) toggle_->SetChecked(true);
    if (x() < 0) move(0, y());
    show();
    raise();
    activateWindow();
}

// The close box only hides the window, through the toggle so that its state follows.
void TRaccourcisForm::closeEvent(QCloseEvent* event) {
    if (toggle_ && isVisible()) toggle_->Execute();
    event->accept();
}

} // namespace sp
