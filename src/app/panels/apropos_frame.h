#pragma once
// Side panel 6, About: the program's credits. For now it shows its title only; its controls come
// with the commands that use them. User-interface thread only; owned by the panel column.

#include "app/panels/side_panel.h"

namespace sp {

class TAproposFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TAproposFrame(QWidget* parent = nullptr);
};

} // namespace sp
