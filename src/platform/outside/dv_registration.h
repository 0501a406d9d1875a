#pragma once
// Registers "DV Splitter" and "DV Video Decoder" in the process-wide filter mapper (ordinary
// filter category, MERIT_NORMAL, with their pin types), replacing earlier registrations of the
// same class ids. Called once at start-up on the controlling thread; calling it again is harmless.

namespace sp::outside {

void registerDvFilters();

} // namespace sp::outside
