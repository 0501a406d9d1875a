#include "app/panels/incruster_frame.h"

namespace sp {

TIncrusterFrame::TIncrusterFrame(QWidget* parent) : TSidePanel("Inlay", parent) {}

} // namespace sp
