// The sound commands: the volume steps, mute, and the volume gauge of the top bar. The media
// system ignores the volume while no audio stream is connected; the sound actions are disabled
// then.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include <algorithm>

namespace sp {

void TShowForm::ApplyVolume() {
    if (Media) Media->SetVolume(S->MuteOn.Value ? 0 : S->IVolume.Value);
    Widgets().SetVolumeGauge(S->IVolume.Value / 100);
}

void TShowForm::ChangeVolume(int delta) {
    S->IVolume.Value = int32_t(std::clamp<int64_t>(int64_t(S->IVolume.Value) + delta, 0, 10000));
    ApplyVolume();
}

void TShowForm::MuteOn() {
    if (Media) Media->SetVolume(0);
    S->MuteOn.Value = true;
    SetChecked("taMute", true);
}

void TShowForm::MuteOff() {
    if (Media) Media->SetVolume(S->IVolume.Value);
    S->MuteOn.Value = false;
    SetChecked("taMute", false);
}

} // namespace sp
