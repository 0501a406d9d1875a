#pragma once
// The common frame of the seven side panels: a fixed width of 276 pixels, a title at the top and
// a body below it that each panel fills. User-interface thread only; the panel column owns it.

#include <QFrame>

class QLabel;
class QVBoxLayout;

namespace sp {

inline constexpr int kSidePanelWidth = 276;

class TSidePanel : public QFrame {
    Q_OBJECT
public:
    TSidePanel(const QString& title, QWidget* parent = nullptr);

    QString title() const;
    // The layout under the title; panels add their controls here, top to bottom.
    QVBoxLayout* body() const { return body_; }

private:
    QLabel* title_;
    QVBoxLayout* body_;
};

} // namespace sp
