#include "pictures/jpegdecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <QTransform>

#include <jpeglib.h>
#include <jerror.h>

namespace pictures::detail {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return; we
// jump back to the frame that set up the decoder. Only plain data lives in
// the frames that the jump skips (see decodeInto).
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int warnings = 0; // warnings that mean the picture is not all there
    bool overLimit = false; // stopped by the memory limit
};

void onError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    err->overLimit = code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY;
    std::longjmp(err->jump, 1);
}

// Warnings whose picture would come out with grey or garbled parts: the
// data ends early or cannot be decoded. Others (stray bytes before a marker,
// a newer JFIF revision, an odd progression, a bad ICC block) leave the
// picture whole, and every viewer shows such files.
bool damagesPicture(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
        return true;
    default:
        return false;
    }
}

void onMessage(j_common_ptr cinfo, int level)
{
    // Level -1 is a warning about the data itself; the higher levels are
    // trace output.
    if (level < 0 && damagesPicture(cinfo->err->msg_code))
        reinterpret_cast<ErrorManager*>(cinfo->err)->warnings++;
}

// Adobe's CMYK as Photoshop stores it (inverted), rows of 4 bytes a pixel
// turned into Format_RGB32 in place.
void cmykRowToRgb(uchar* row, int width)
{
    auto* out = reinterpret_cast<QRgb*>(row);
    for (int x = 0; x < width; ++x) {
        const uchar* in = row + 4 * x;
        const int k = in[3];
        out[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
    }
}

quint16 read16(const uchar* p, bool little)
{
    return little ? quint16(p[0] | (p[1] << 8)) : quint16((p[0] << 8) | p[1]);
}

quint32 read32(const uchar* p, bool little)
{
    return little ? quint32(p[0] | (p[1] << 8) | (p[2] << 16) | (quint32(p[3]) << 24))
                  : quint32((quint32(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]);
}

struct Job {
    // in
    const uchar* data = nullptr;
    size_t size = 0;
    bool headerOnly = false;
    QSize fitInside;
    bool exactFit = true;
    qint64 maxPixels = 0;
    int maxSide = 0;
    qint64 maxDecodeBytes = 0;
    // out
    int storedWidth = 0;
    int storedHeight = 0;
    int orientation = 1;
    QImage* image = nullptr;
    JpegStatus status = JpegStatus::Corrupt;
};

int orientationOf(jpeg_decompress_struct* cinfo)
{
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1) {
            int o = exifOrientation(m->data, m->data_length);
            if (o != 1)
                return o;
        }
    }
    return 1;
}

// The decoder's work between setjmp and the end. The QImage it fills lives in
// the caller's frame, so nothing with a destructor is skipped by a longjmp.
void decodeInto(Job& job)
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.warnings = 0;

    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        job.status = err.overLimit ? JpegStatus::TooLarge : JpegStatus::Corrupt;
        return;
    }
    jpeg_create_decompress(&cinfo);
    // A progressive file gets its whole coefficient buffer (up to 6 bytes a
    // pixel) in jpeg_start_decompress; beyond this the decoder stops with an
    // error instead of allocating.
    if (job.maxDecodeBytes > 0)
        cinfo.mem->max_memory_to_use = long(job.maxDecodeBytes);
    jpeg_mem_src(&cinfo, job.data, static_cast<unsigned long>(job.size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(&cinfo, TRUE);

    job.storedWidth = int(cinfo.image_width);
    job.storedHeight = int(cinfo.image_height);
    job.orientation = orientationOf(&cinfo);
    if (err.warnings > 0 || job.storedWidth <= 0 || job.storedHeight <= 0) {
        jpeg_destroy_decompress(&cinfo);
        job.status = JpegStatus::Corrupt;
        return;
    }
    if (job.headerOnly) {
        jpeg_destroy_decompress(&cinfo);
        job.status = JpegStatus::Ok;
        return;
    }
    if (qint64(job.storedWidth) * job.storedHeight > job.maxPixels ||
        std::max(job.storedWidth, job.storedHeight) > job.maxSide) {
        jpeg_destroy_decompress(&cinfo);
        job.status = JpegStatus::TooLarge;
        return;
    }
    // CMYK and YCCK come out as CMYK, 4 bytes a pixel like the image's rows,
    // and are turned into RGB row by row.
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX; // BGRX = Format_RGB32 in memory
    cinfo.dct_method = JDCT_ISLOW;

    // The smallest DCT scale M/8 whose output still covers the fitted size.
    if (job.fitInside.isValid()) {
        const bool swap = orientationSwapsAxes(job.orientation);
        QSize upright(swap ? job.storedHeight : job.storedWidth,
                      swap ? job.storedWidth : job.storedHeight);
        QSize want = fitSize(upright, job.fitInside);
        if (swap)
            want.transpose();
        cinfo.scale_denom = 8;
        for (int m = 1; m <= 8; ++m) {
            cinfo.scale_num = unsigned(m);
            jpeg_calc_output_dimensions(&cinfo);
            if (int(cinfo.output_width) >= want.width() &&
                int(cinfo.output_height) >= want.height())
                break;
        }
    }
    // When the DCT already scales down, fancy (interpolating) chroma
    // upsampling buys nothing visible after the final resampling and costs
    // a fifth of the decode.
    if (cinfo.scale_num < cinfo.scale_denom)
        cinfo.do_fancy_upsampling = FALSE;
    jpeg_calc_output_dimensions(&cinfo);
    const int w = int(cinfo.output_width);
    const int h = int(cinfo.output_height);
    if (w > job.maxSide || h > job.maxSide || qint64(w) * h > job.maxPixels) {
        jpeg_destroy_decompress(&cinfo);
        job.status = JpegStatus::TooLarge;
        return;
    }
    *job.image = QImage(w, h, QImage::Format_RGB32);
    if (job.image->isNull()) {
        jpeg_destroy_decompress(&cinfo);
        job.status = JpegStatus::TooLarge;
        return;
    }
    jpeg_start_decompress(&cinfo);
    uchar* bits = job.image->bits();
    const qsizetype stride = job.image->bytesPerLine();
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
        const int first = int(cinfo.output_scanline);
        const int count = std::min<int>(16, h - first);
        for (int i = 0; i < count; ++i)
            rows[i] = bits + (first + i) * stride;
        const int got = int(jpeg_read_scanlines(&cinfo, rows, JDIMENSION(count)));
        if (got == 0)
            break;
        if (cmyk) {
            for (int i = 0; i < got; ++i)
                cmykRowToRgb(rows[i], w);
        }
        if (err.warnings > 0)
            break;
    }
    if (err.warnings == 0 && cinfo.output_scanline == cinfo.output_height)
        jpeg_finish_decompress(&cinfo);
    // Data that ends early or cannot be decoded makes the picture
    // unreadable: a half-grey photo is not what the file held.
    job.status = err.warnings == 0 ? JpegStatus::Ok : JpegStatus::Corrupt;
    jpeg_destroy_decompress(&cinfo);
}

} // namespace

bool looksLikeJpeg(const uchar* data, size_t size)
{
    return size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff;
}

int exifOrientation(const uchar* p, size_t n)
{
    if (n < 14 || std::memcmp(p, "Exif\0\0", 6) != 0)
        return 1;
    const uchar* tiff = p + 6;
    const size_t len = n - 6;
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        little = false;
    else
        return 1;
    if (read16(tiff + 2, little) != 42)
        return 1;
    const quint32 ifd = read32(tiff + 4, little);
    if (ifd < 8 || ifd > len - 2)
        return 1;
    const quint16 entries = read16(tiff + ifd, little);
    for (quint32 i = 0; i < entries; ++i) {
        const size_t at = size_t(ifd) + 2 + size_t(i) * 12;
        if (at + 12 > len)
            return 1;
        if (read16(tiff + at, little) == 0x0112) {
            const quint16 type = read16(tiff + at + 2, little);
            int v = type == 3   ? read16(tiff + at + 8, little)
                    : type == 4 ? int(read32(tiff + at + 8, little))
                                : 1;
            return v >= 1 && v <= 8 ? v : 1;
        }
    }
    return 1;
}

bool orientationSwapsAxes(int o)
{
    return o >= 5 && o <= 8;
}

QImage applyExifOrientation(const QImage& s, int o)
{
    switch (o) {
    case 2:
        return s.mirrored(true, false);
    case 3:
        return s.mirrored(true, true);
    case 4:
        return s.mirrored(false, true);
    case 5: // transpose
        return s.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return s.transformed(QTransform().rotate(90));
    case 7: // transverse
        return s.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8:
        return s.transformed(QTransform().rotate(270));
    default:
        return s;
    }
}

JpegStatus jpegReadHeader(const uchar* data, size_t size, QSize* storedSize, int* orientation)
{
    if (!looksLikeJpeg(data, size))
        return JpegStatus::NotJpeg;
    Job job;
    job.data = data;
    job.size = size;
    job.headerOnly = true;
    decodeInto(job);
    if (job.status == JpegStatus::Ok) {
        *storedSize = QSize(job.storedWidth, job.storedHeight);
        *orientation = job.orientation;
    }
    return job.status;
}

JpegStatus jpegDecode(const uchar* data, size_t size, const LoadOptions& options, QImage* image,
                      QSize* sourceSize)
{
    if (!looksLikeJpeg(data, size))
        return JpegStatus::NotJpeg;
    QImage decoded;
    Job job;
    job.data = data;
    job.size = size;
    job.fitInside = options.fitInside;
    job.exactFit = options.exactFit;
    job.maxPixels = options.maxPixels;
    job.maxSide = options.maxSide;
    job.maxDecodeBytes = options.maxDecodeBytes;
    job.image = &decoded;
    decodeInto(job);
    if (job.status != JpegStatus::Ok)
        return job.status;

    const bool swap = orientationSwapsAxes(job.orientation);
    *sourceSize =
        swap ? QSize(job.storedHeight, job.storedWidth) : QSize(job.storedWidth, job.storedHeight);
    QImage upright = applyExifOrientation(decoded, job.orientation);
    decoded = QImage();
    if (options.fitInside.isValid() && options.exactFit) {
        const QSize want = fitSize(*sourceSize, options.fitInside);
        if (upright.size() != want)
            upright = upright.scaled(want, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    *image = std::move(upright);
    return JpegStatus::Ok;
}

} // namespace pictures::detail
