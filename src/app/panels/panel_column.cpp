#include "app/panels/panel_column.h"

#include "app/panels/apropos_frame.h"
#include "app/panels/dossiers_frame.h"
#include "app/panels/extraire_frame.h"
#include "app/panels/help_frame.h"
#include "app/panels/incruster_frame.h"
#include "app/panels/options_frame.h"
#include "app/panels/sources_frame.h"

namespace sp {

TPanelColumn::TPanelColumn(QWidget* parent) : QWidget(parent) {
    sources_ = new TSourcesFrame(this);
    dossiers_ = new TDossiersFrame(this);
    extraire_ = new TExtraireFrame(this);
    incruster_ = new TIncrusterFrame(this);
    options_ = new TOptionsFrame(this);
    help_ = new THelpFrame(this);
    apropos_ = new TAproposFrame(this);
    panels_ = {sources_, dossiers_, extraire_, incruster_, options_, help_, apropos_};
    setFixedWidth(kSidePanelWidth);
    for (TSidePanel* panel : panels_)
        panel->hide();
}

void TPanelColumn::showOnly(int n) {
    for (int i = 0; i < kPanelCount; ++i)
        if (i != n) panels_[i]->hide();
    if (TSidePanel* shown = panel(n)) {
        shown->setGeometry(rect());
        shown->raise();
        shown->show();
    }
}

int TPanelColumn::shownPanel() const {
    for (int i = 0; i < kPanelCount; ++i)
        if (!panels_[i]->isHidden()) return i;
    return -1;
}

TSidePanel* TPanelColumn::panel(int n) const {
    return n >= 0 && n < kPanelCount ? panels_[n] : nullptr;
}

void TPanelColumn::resizeEvent(QResizeEvent*) {
    for (TSidePanel* panel : panels_)
        panel->setGeometry(rect());
}

} // namespace sp
