#include "app/panels/extraire_frame.h"

namespace sp {

TExtraireFrame::TExtraireFrame(QWidget* parent) : TSidePanel("Grab", parent) {}

} // namespace sp
