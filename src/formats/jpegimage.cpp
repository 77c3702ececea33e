// Decoding JPEG with libjpeg: errors caught, hostile files limited, the
// DCT scale chosen for the preview, the EXIF orientation applied.
#include "formats/jpegimage.h"

#include "formats/exif.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// A hostile progressive file can hold endless scans; stop after a sane number.
constexpr int kMaxScans = 1000;

// Why we stopped the decoder ourselves (libjpeg's own errors carry a code).
enum class Stop { None, TooManyScans, TooLarge, NoMemory, ShortRead };

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    Stop stop;
};

// Everything the decoder touches after setjmp lives here, outside the frame
// that calls setjmp, so its values are well defined after a longjmp.
struct Decoder {
    jpeg_decompress_struct cinfo {};
    ErrorManager err {};
    jpeg_progress_mgr progress {};
    bool created = false;
    Exif::Orientation orientation = 1;
    QImage image;
    std::vector<JSAMPLE> cmykRow;
};

void errorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (corrupt data that libjpeg works around) are counted, not printed.
void emitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        ++cinfo->err->num_warnings;
}

// Ends the decoding like libjpeg's own errors do. Nothing on the way out
// may need a destructor: callers pass plain values only.
[[noreturn]] void stop(j_common_ptr cinfo, Stop why)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    err->stop = why;
    err->message[0] = '\0';
    std::longjmp(err->jump, 1);
}

void progress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans)
        stop(cinfo, Stop::TooManyScans);
}

// The reason shown to the user: in Chinese for what a user can act on, with
// libjpeg's own words kept for the rest.
QString reasonFor(const ErrorManager &err, const jpeg_decompress_struct &cinfo)
{
    switch (err.stop) {
    case Stop::None:
        break;
    case Stop::TooManyScans:
        return QStringLiteral("扫描段过多(超过 %1 个)").arg(kMaxScans);
    case Stop::TooLarge:
        return QStringLiteral("图片尺寸太大(%1×%2)").arg(cinfo.image_width).arg(cinfo.image_height);
    case Stop::NoMemory:
        return QStringLiteral("内存不足");
    case Stop::ShortRead:
        return QStringLiteral("图片数据不完整");
    }
    const QString detail = QString::fromLatin1(err.message);
    switch (err.pub.msg_code) {
    case JERR_INPUT_EMPTY:
        return QStringLiteral("文件是空的");
    case JERR_NO_SOI:
        return QStringLiteral("不是JPEG文件(%1)").arg(detail);
    case JERR_BAD_PRECISION:
        return QStringLiteral("不支持的JPEG数据精度(%1)").arg(detail);
    case JERR_SOF_UNSUPPORTED:
    case JERR_NOT_COMPILED:
        return QStringLiteral("不支持的JPEG格式(%1)").arg(detail);
    case JERR_NO_BACKING_STORE:
    case JERR_OUT_OF_MEMORY:
        return QStringLiteral("图片太大,超出解码所能使用的内存");
    case JERR_IMAGE_TOO_BIG:
        return QStringLiteral("图片尺寸太大(%1)").arg(detail);
    default:
        return QStringLiteral("图片数据已损坏(%1)").arg(detail);
    }
}

QString failure(const QString &reason)
{
    return QStringLiteral("图片解码失败:%1").arg(reason);
}

// Converts one row of libjpeg's CMYK output. Adobe's writers store the inks
// inverted (255 = no ink), which is what almost every CMYK JPEG carries.
void cmykToRgb(const JSAMPLE *in, QRgb *out, unsigned width, bool inverted)
{
    for (unsigned x = 0; x < width; ++x) {
        int c = in[x * 4], m = in[x * 4 + 1], y = in[x * 4 + 2], k = in[x * 4 + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        // c, m, y, k now say how much light each ink lets through.
        out[x] = qRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

// The zig-zag order of the coefficients in a block (index -> natural position).
constexpr int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                             12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                             35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                             58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Whether every coefficient that the scaled IDCT of each component uses has
// arrived (in some precision). At 1/8 that is the DC of the full-resolution
// components and the first few of the subsampled ones.
bool scaledCoefficientsKnown(const jpeg_decompress_struct &cinfo)
{
    for (int c = 0; c < cinfo.num_components; ++c) {
        const int size = std::clamp(cinfo.comp_info[c].DCT_scaled_size, 1, DCTSIZE);
        for (int k = 0; k < DCTSIZE2; ++k) {
            const int row = kZigzag[k] / DCTSIZE, column = kZigzag[k] % DCTSIZE;
            if (row < size && column < size && cinfo.coef_bits[c][k] < 0)
                return false;
        }
    }
    return true;
}

// The orientation in the first APP1 segment that is an EXIF block.
Exif::Orientation exifOrientation(const jpeg_decompress_struct &cinfo)
{
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return Exif::orientation(m->data, m->data_length);
    }
    return 1;
}

// The one function that calls setjmp. It keeps no state of its own that
// changes after setjmp: everything is in `d`.
bool run(Decoder &d, const QByteArray &bytes, QSize cover)
{
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.pub.error_exit = errorExit;
    d.err.pub.emit_message = emitMessage;
    if (setjmp(d.err.jump)) {
        d.image = QImage();
        return false;
    }
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.cinfo.mem->max_memory_to_use = JpegImage::kMaxMemory;
    d.progress.progress_monitor = progress;
    d.cinfo.progress = &d.progress;
    jpeg_mem_src(&d.cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    // APP1 segments are kept for their EXIF block (at most 64 KB each).
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&d.cinfo, TRUE);
    d.orientation = exifOrientation(d.cinfo);

    if (static_cast<long long>(d.cinfo.image_width) * d.cinfo.image_height > JpegImage::kMaxPixels)
        stop(reinterpret_cast<j_common_ptr>(&d.cinfo), Stop::TooLarge);

    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    d.cinfo.out_color_space = cmyk ? JCS_CMYK : (Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB);
    d.cinfo.scale_num = 1;
    // A picture that is turned a quarter must cover the area on its side.
    d.cinfo.scale_denom = static_cast<unsigned>(
        JpegImage::scaleFor(QSize(int(d.cinfo.image_width), int(d.cinfo.image_height)),
                            Exif::swapsSides(d.orientation) ? cover.transposed() : cover));
    d.cinfo.dct_method = JDCT_ISLOW;

    // At 1/8 each 8x8 block becomes one pixel, its DC coefficient (a
    // subsampled component a few pixels, its first coefficients). A
    // progressive file sends those for the whole picture in its first scans:
    // read only those and skip the rest, most of the file.
    const bool dcOnly = d.cinfo.progressive_mode && d.cinfo.scale_denom == 8;
    if (dcOnly) {
        d.cinfo.buffered_image = TRUE;
        d.cinfo.do_block_smoothing = FALSE;
    }

    jpeg_start_decompress(&d.cinfo);
    if (dcOnly) {
        for (;;) {
            const int got = jpeg_consume_input(&d.cinfo);
            if (got == JPEG_REACHED_EOI || got == JPEG_SUSPENDED)
                break;
            if (got == JPEG_SCAN_COMPLETED && scaledCoefficientsKnown(d.cinfo))
                break;
        }
        jpeg_start_output(&d.cinfo, d.cinfo.input_scan_number);
    }
    d.image = QImage(int(d.cinfo.output_width), int(d.cinfo.output_height), QImage::Format_RGB32);
    if (d.image.isNull())
        stop(reinterpret_cast<j_common_ptr>(&d.cinfo), Stop::NoMemory);
    if (cmyk)
        d.cmykRow.resize(size_t(d.cinfo.output_width) * 4);

    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        const int y = int(d.cinfo.output_scanline);
        JSAMPROW row = cmyk ? d.cmykRow.data() : d.image.scanLine(y);
        if (jpeg_read_scanlines(&d.cinfo, &row, 1) != 1)
            stop(reinterpret_cast<j_common_ptr>(&d.cinfo), Stop::ShortRead);
        if (cmyk)
            cmykToRgb(d.cmykRow.data(), reinterpret_cast<QRgb *>(d.image.scanLine(y)), d.cinfo.output_width,
                      d.cinfo.saw_Adobe_marker);
    }
    // Reading on to the end would decode the scans skipped above; the
    // caller's jpeg_destroy_decompress ends the decoder either way.
    if (!dcOnly)
        jpeg_finish_decompress(&d.cinfo);
    return true;
}

} // namespace

namespace JpegImage {

int scaleFor(QSize size, QSize cover)
{
    if (cover.isEmpty() || size.isEmpty())
        return 1;
    for (int denom : {8, 4, 2}) {
        const int w = (size.width() + denom - 1) / denom;
        const int h = (size.height() + denom - 1) / denom;
        if (w >= cover.width() && h >= cover.height())
            return denom;
    }
    return 1;
}

Result decode(const QByteArray &bytes, QSize cover)
{
    Result result;
    if (bytes.isEmpty()) {
        result.error = failure(QStringLiteral("没有图片数据"));
        return result;
    }
    Decoder d;
    const bool ok = run(d, bytes, cover);
    result.warnings = int(d.err.pub.num_warnings);
    if (d.created)
        jpeg_destroy_decompress(&d.cinfo);
    if (ok) {
        result.orientation = d.orientation;
        result.image = Exif::upright(d.image, d.orientation);
    } else {
        result.error = failure(reasonFor(d.err, d.cinfo));
    }
    return result;
}

Result decodeFile(const QString &path, QSize cover)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Result r;
        r.error = QStringLiteral("图片解码失败:不能读取文件“%1”(%2)").arg(path, file.errorString());
        return r;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        Result r;
        r.error = QStringLiteral("图片解码失败:不能读取文件“%1”(%2)").arg(path, file.errorString());
        return r;
    }
    return decode(bytes, cover);
}

} // namespace JpegImage
