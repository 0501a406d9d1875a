#pragma once
// Side panel 3, Inlay: the inlay settings. For now it shows its title only; its controls come with
// the commands that use them. User-interface thread only; owned by the panel column.

#include "app/panels/side_panel.h"

namespace sp {

class TIncrusterFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TIncrusterFrame(QWidget* parent = nullptr);
};

} // namespace sp
