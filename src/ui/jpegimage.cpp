#include "ui/jpegimage.h"

#include <QFile>
#include <QtEndian>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
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

// A hostile progressive file can hold endless scans; stop after a sane number.
constexpr int kMaxScans = 1000;

void progress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor) {
        auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kMaxScans) {
            auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
            std::snprintf(err->message, sizeof err->message, "too many scans (more than %d)", kMaxScans);
            std::longjmp(err->jump, 1);
        }
    }
}

QString failure(const char *reason)
{
    return QStringLiteral("图片解码失败:%1").arg(QString::fromLocal8Bit(reason));
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
        result.error = failure("没有图片数据");
        return result;
    }

    jpeg_decompress_struct cinfo {};
    ErrorManager err {};
    jpeg_progress_mgr progressManager {};
    QImage image;
    std::vector<JSAMPLE> cmykRow;
    volatile bool inverted = false;

    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        result.image = QImage();
        result.error = failure(err.message);
        return result;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxMemory;
    progressManager.progress_monitor = progress;
    cinfo.progress = &progressManager;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);

    if (static_cast<long long>(cinfo.image_width) * cinfo.image_height > kMaxPixels) {
        std::snprintf(err.message, sizeof err.message, "picture too large (%ux%u)", cinfo.image_width,
                      cinfo.image_height);
        std::longjmp(err.jump, 1);
    }

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk) {
        cinfo.out_color_space = JCS_CMYK;
        inverted = cinfo.saw_Adobe_marker;
    } else {
        cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(scaleFor(QSize(int(cinfo.image_width), int(cinfo.image_height)), cover));
    cinfo.dct_method = JDCT_ISLOW;

    jpeg_start_decompress(&cinfo);
    image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB32);
    if (image.isNull()) {
        std::snprintf(err.message, sizeof err.message, "out of memory");
        std::longjmp(err.jump, 1);
    }
    if (cmyk)
        cmykRow.resize(size_t(cinfo.output_width) * 4);

    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        if (!cmyk) {
            JSAMPROW row = image.scanLine(y);
            jpeg_read_scanlines(&cinfo, &row, 1);
            continue;
        }
        JSAMPROW row = cmykRow.data();
        jpeg_read_scanlines(&cinfo, &row, 1);
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (unsigned x = 0; x < cinfo.output_width; ++x) {
            int c = cmykRow[x * 4], m = cmykRow[x * 4 + 1], ye = cmykRow[x * 4 + 2], k = cmykRow[x * 4 + 3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            // Adobe files store the inks inverted: the value is what is left.
            out[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    result.image = image;
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
    return decode(file.readAll(), cover);
}

} // namespace JpegImage
