#include "app/panels/apropos_frame.h"

namespace sp {

TAproposFrame::TAproposFrame(QWidget* parent) : TSidePanel("About", parent) {}

} // namespace sp
