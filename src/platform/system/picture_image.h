#pragma once
// RGB32 images over picture memory (platform/graph/picture_memory.h): a picture-sized image takes
// whole large pages where the system offers them, which a virtual machine hands out many times
// faster than small pages the first time they are filled (the images the program fills with
// every frame are made once, but each of them starts out fresh).
//
// Any thread.

#include <QImage>

namespace sp {

// A width x height Format_RGB32 image, all zeros (black) until written; a null image for a side
// below 1 or when there is no memory for it.
QImage NewPictureImage(int width, int height);

} // namespace sp
