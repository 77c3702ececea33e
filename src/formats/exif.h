// The orientation a camera records in a photo's EXIF block (a phone held
// upright stores its picture lying on its side and says so), read with
// libexif, and the turn that shows the decoded picture the right way up.
// A missing, damaged or absurd block means no turn, never an error.
#pragma once

#include <QImage>

namespace Exif {

// The EXIF orientation tag, 1 to 8 (1: as stored); 1 when the block is
// missing, cannot be read or holds anything else.
using Orientation = int;

// Reads the orientation from the payload of a JPEG APP1 segment (beginning
// with "Exif\0\0"). Only the main picture's entry counts, not the
// thumbnail's.
Orientation orientation(const unsigned char *payload, unsigned int size);

// True for the orientations that turn the picture by a quarter, so width and
// height change places.
bool swapsSides(Orientation orientation);

// The picture the right way up (the same picture for orientation 1).
QImage upright(const QImage &stored, Orientation orientation);

} // namespace Exif
