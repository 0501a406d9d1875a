#pragma once
// Registers the outside renderers in the filter mapper:
// - "Null Renderer" (CLSID_NullRenderer), legacy category, MERIT_DO_NOT_USE so that intelligent
//   connection never picks it; created by class id or moniker only.
// - "Default DirectSound Device" (CLSID_DSoundRender), once in the audio renderer category
//   (found by FilterMapper::EnumCategory(CLSID_AudioRendererCategory), MERIT_DO_NOT_USE there so
//   that intelligent connection does not meet it twice) and once in the legacy category with
//   MERIT_PREFERRED and a rendered PCM input pin, which intelligent connection uses.
// The preview renderer is not registered here (the main window creates it itself).
// Safe to call more than once (a registration replaces the previous one); any thread.

namespace sp::outside {

void registerOutsideRenderers();

} // namespace sp::outside
