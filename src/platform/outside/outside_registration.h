#pragma once
// Registers the outside filters in the filter mapper under the class ids and friendly names
// the program looks for: File Source (Async.), the AVI, MPEG-1 and MPEG-2 splitters, the
// MPEG-2 demultiplexer, the WM ASF reader, the general media splitter, and the video and audio
// decoders, the DV Splitter and the DV Video Decoder, the null and sound renderers. Safe to call more than once (a registration replaces the previous one).
//
// The general media splitter can be left out (`withGeneralSplitter` false) to stand for a
// system where it is not installed.

namespace sp::outside {

void registerOutsideFilters(bool withGeneralSplitter = true);

} // namespace sp::outside
