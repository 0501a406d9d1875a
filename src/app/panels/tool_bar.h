#pragma once
// The tool bar: one 29-pixel button per action, in the order given, with separators between the
// groups. The separators stretch with the window: the controller gives them their width (all
// alike) from the layout rules. The buttons show their action (icon, hint, enabled, checked) and
// execute it when clicked; the actions belong to the controller and must outlive the bar.
// User-interface thread only.

#include <QList>
#include <QWidget>

class QAction;
class QHBoxLayout;
class QToolButton;

namespace sp {

class TToolBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kButtonWidth = 29;
    static constexpr int kHeight = 29;

    explicit TToolBar(QWidget* parent = nullptr);

    // Replaces the contents: a button per action, a separator per null entry.
    void setItems(const QList<QAction*>& items);
    void setSeparatorWidth(int pixels); // negative counts as 0
    int separatorWidth() const { return separatorWidth_; }

    int buttonCount() const { return int(buttons_.size()); }
    int separatorCount() const { return int(separators_.size()); }
    // Buttons and separators together: the count the separator width is computed from.
    int itemCount() const { return buttonCount() + separatorCount(); }
    QToolButton* button(int i) const { return buttons_.value(i); }
    QToolButton* buttonFor(const QAction* action) const;

private:
    QHBoxLayout* row_;
    QList<QToolButton*> buttons_;
    QList<QWidget*> separators_;
    int separatorWidth_ = 8;
};

} // namespace sp
