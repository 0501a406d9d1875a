#include "app/panels/help_frame.h"

namespace sp {

THelpFrame::THelpFrame(QWidget* parent) : TSidePanel("Help", parent) {}

} // namespace sp
