#pragma once
// Side panel 6, About: the program's title and version, what it does, and the libraries it is
// built on with their licences, as a link label whose web links open in the browser.
// User-interface thread only; owned by the panel column.

#include "app/panels/side_panel.h"

class QLabel;

namespace sp {

class TLinkEdit;

class TAproposFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TAproposFrame(QWidget* parent = nullptr);

    // "Stillpick 5.0.6 En" (the program title); "Stillpick" until set.
    void SetProgramTitle(const QString& title);

    // The credits in the program's mark-up: one sentence, then one line per library.
    static QString CreditsMarkup();

    QLabel* TitleLabel() const { return titleLabel_; }
    TLinkEdit* Credits() const { return credits_; }

private:
    QLabel* titleLabel_;
    TLinkEdit* credits_;
};

} // namespace sp
