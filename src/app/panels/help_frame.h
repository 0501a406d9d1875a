#pragma once
// Side panel 5, Help: help, diagnostics, processor load and free disk space. For now it shows its
// title only; its controls come with the commands that use them. User-interface thread only; owned
// by the panel column.

#include "app/panels/side_panel.h"

namespace sp {

class THelpFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit THelpFrame(QWidget* parent = nullptr);
};

} // namespace sp
