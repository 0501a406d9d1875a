#pragma once
// The column of the seven side panels, numbered as the setting "Panneau Actif" numbers them:
// 0 Sources, 1 Folders, 2 Grab, 3 Inlay, 4 Settings, 5 Help, 6 About. All seven lie at the same
// place and fill the column; at most one is shown. The column owns the panels; the controller
// decides which one shows. User-interface thread only.

#include <QWidget>

#include <array>

namespace sp {

class TSidePanel;
class TSourcesFrame;
class TDossiersFrame;
class TExtraireFrame;
class TIncrusterFrame;
class TOptionsFrame;
class THelpFrame;
class TAproposFrame;

class TPanelColumn : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPanelCount = 7;

    explicit TPanelColumn(QWidget* parent = nullptr);

    // Shows panel n in front and hides the others; any n outside 0..6 hides them all.
    void showOnly(int n);
    // The number of the panel shown, -1 when none is.
    int shownPanel() const;
    // Panel n (0..6), null otherwise.
    TSidePanel* panel(int n) const;

    TSourcesFrame* sources() const { return sources_; }
    TDossiersFrame* dossiers() const { return dossiers_; }
    TExtraireFrame* extraire() const { return extraire_; }
    TIncrusterFrame* incruster() const { return incruster_; }
    TOptionsFrame* options() const { return options_; }
    THelpFrame* help() const { return help_; }
    TAproposFrame* apropos() const { return apropos_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TSourcesFrame* sources_;
    TDossiersFrame* dossiers_;
    TExtraireFrame* extraire_;
    TIncrusterFrame* incruster_;
    TOptionsFrame* options_;
    THelpFrame* help_;
    TAproposFrame* apropos_;
    std::array<TSidePanel*, kPanelCount> panels_{};
};

} // namespace sp
