// Reading the EXIF orientation with libexif and turning a picture by it.
#include "formats/exif.h"

#include <QTransform>
#include <cstring>

#include <libexif/exif-data.h>

namespace Exif {

Orientation orientation(const unsigned char *payload, unsigned int size)
{
    static const unsigned char header[] = {'E', 'x', 'i', 'f', 0, 0};
    if (!payload || size < sizeof header || std::memcmp(payload, header, sizeof header) != 0)
        return 1;
    ExifData *data = exif_data_new();
    if (!data)
        return 1;
    // Read the block as it is: no entries made up to complete it.
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data, payload, size);
    Orientation result = 1;
    // The first IFD describes the picture itself (the second, its thumbnail).
    if (ExifEntry *entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION)) {
        if (entry->format == EXIF_FORMAT_SHORT && entry->components == 1 && entry->data && entry->size >= 2) {
            const int value = exif_get_short(entry->data, exif_data_get_byte_order(data));
            if (value >= 1 && value <= 8)
                result = value;
        }
    }
    exif_data_unref(data);
    return result;
}

bool swapsSides(Orientation orientation)
{
    return orientation >= 5 && orientation <= 8;
}

QImage upright(const QImage &stored, Orientation orientation)
{
    // Qt turns clockwise for a positive angle (y grows downwards).
    const auto quarter = [&stored](int degrees) { return stored.transformed(QTransform().rotate(degrees)); };
    switch (orientation) {
    case 2: return stored.mirrored(true, false);      // mirrored left to right
    case 3: return stored.mirrored(true, true);       // a half turn
    case 4: return stored.mirrored(false, true);      // mirrored top to bottom
    case 5: return quarter(90).mirrored(true, false); // mirrored along the main diagonal
    case 6: return quarter(90);                       // a quarter turn clockwise
    case 7: return quarter(90).mirrored(false, true); // mirrored along the other diagonal
    case 8: return quarter(270);                      // a quarter turn anticlockwise
    default: return stored;
    }
}

} // namespace Exif
