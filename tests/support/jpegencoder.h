// A small JPEG encoder for the tests and the benchmarks: pictures made on
// the spot in any colour space, baseline or progressive.
#pragma once

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace JpegEncoder {

// Encodes `pixels` (width*height*components samples, row by row); for CMYK
// `adobe` says whether the Adobe marker is written.
inline QByteArray encode(int width, int height, J_COLOR_SPACE space, int components, const QByteArray &pixels,
                         bool adobe = true, bool progressive = false, int quality = 95)
{
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr err {};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (space == JCS_CMYK)
        cinfo.write_Adobe_marker = adobe;
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char *>(pixels.constData()))
            + size_t(cinfo.next_scanline) * size_t(width) * size_t(components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

} // namespace JpegEncoder
