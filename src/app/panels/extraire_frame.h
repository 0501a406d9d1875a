#pragma once
// Side panel 2, Grab: the snapshot preview. For now it shows its title only; its controls come with
// the commands that use them. User-interface thread only; owned by the panel column.

#include "app/panels/side_panel.h"

namespace sp {

class TExtraireFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TExtraireFrame(QWidget* parent = nullptr);
};

} // namespace sp
