#pragma once
// Side panel 1, Folders: the image folder and the file naming. For now it shows its title only; its
// controls come with the commands that use them. User-interface thread only; owned by the panel
// column.

#include "app/panels/side_panel.h"

namespace sp {

class TDossiersFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TDossiersFrame(QWidget* parent = nullptr);
};

} // namespace sp
