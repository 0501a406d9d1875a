#include "app/panels/dossiers_frame.h"

namespace sp {

TDossiersFrame::TDossiersFrame(QWidget* parent) : TSidePanel("Folders", parent) {}

} // namespace sp
