#include "pictures/imageio_checks.h"

#include <cstdlib>

namespace pictures::detail {

namespace {

quint32 le32(const uchar* u)
{
    return quint32(u[0]) | (quint32(u[1]) << 8) | (quint32(u[2]) << 16) | (quint32(u[3]) << 24);
}

quint32 be32(const uchar* u)
{
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | quint32(u[3]);
}

quint16 be16(const uchar* u)
{
    return quint16((u[0] << 8) | u[1]);
}

} // namespace

bool bitmapIsComplete(const QByteArray& d)
{
    const auto* u = reinterpret_cast<const uchar*>(d.constData());
    if (d.size() < 2 || u[0] != 'B' || u[1] != 'M')
        return true;
    if (d.size() < 54)
        return false;
    if (le32(u + 14) < 40)
        return true; // OS/2 headers: left to the reader
    const qint64 offset = le32(u + 10);
    const qint64 width = qint32(le32(u + 18));
    const qint64 height = std::abs(qint64(qint32(le32(u + 22))));
    const int bits = u[28] | (u[29] << 8);
    const quint32 compression = le32(u + 30);
    if (compression != 0 && compression != 3 && compression != 6)
        return true; // RLE, embedded JPEG or PNG: those decoders notice the end
    if (width <= 0 || bits <= 0)
        return false;
    if (width > (1 << 24) || height > (1 << 24) || bits > 64)
        return true; // absurd: the size limits refuse it, without overflowing here
    const qint64 stride = ((width * bits + 31) / 32) * 4;
    return offset + stride * height <= d.size();
}

bool gifIsComplete(const QByteArray& d)
{
    const auto* u = reinterpret_cast<const uchar*>(d.constData());
    const qint64 n = d.size();
    if (n < 6 || d.left(4) != "GIF8")
        return true;
    if (n < 13)
        return false;
    qint64 at = 13;
    if (u[10] & 0x80)
        at += 3LL << ((u[10] & 7) + 1); // global colour table
    auto skipSubBlocks = [&](qint64 pos) -> qint64 {
        while (pos < n) {
            const int len = u[pos];
            if (len == 0)
                return pos + 1;
            pos += 1 + len;
        }
        return -1;
    };
    while (at < n) {
        const uchar tag = u[at];
        if (tag == 0x21) { // extension: label, then sub-blocks
            at = skipSubBlocks(at + 2);
            if (at < 0)
                return false;
        } else if (tag == 0x2C) { // the first image
            if (at + 10 > n)
                return false;
            const uchar flags = u[at + 9];
            at += 10;
            if (flags & 0x80)
                at += 3LL << ((flags & 7) + 1); // local colour table
            if (at + 1 > n)
                return false;
            return skipSubBlocks(at + 1) > 0; // after the LZW minimum code size
        } else {
            return false; // trailer or garbage before any image
        }
    }
    return false;
}

bool macPaintIsComplete(const QByteArray& d)
{
    // 512-byte header, then PackBits data for 720 rows of 72 bytes.
    const auto* u = reinterpret_cast<const uchar*>(d.constData());
    const qint64 n = d.size();
    qint64 at = 512, produced = 0;
    const qint64 needed = 720 * 72;
    while (produced < needed) {
        if (at >= n)
            return false;
        const int c = static_cast<signed char>(u[at++]);
        if (c >= 0) {
            produced += c + 1;
            at += c + 1;
        } else if (c != -128) {
            produced += 1 - c;
            at += 1;
        }
    }
    return at <= n;
}

bool psdIsComplete(const QByteArray& d)
{
    const auto* u = reinterpret_cast<const uchar*>(d.constData());
    const qint64 n = d.size();
    if (n < 4 || d.left(4) != "8BPS")
        return true;
    if (n < 26 || be16(u + 4) != 1)
        return n >= 26; // PSB: left to the reader
    const qint64 channels = be16(u + 12);
    const qint64 rows = be32(u + 14);
    const qint64 cols = be32(u + 18);
    const qint64 depth = be16(u + 22);
    if (rows > 30000 || cols > 30000 || channels > 56 || depth > 32)
        return true; // not a valid PSD header: ImageMagick refuses it
    qint64 at = 26;
    for (int section = 0; section < 3; ++section) { // colour mode, resources, layers
        if (at + 4 > n)
            return false;
        at += 4 + be32(u + at);
    }
    if (at + 2 > n)
        return false;
    const int compression = be16(u + at);
    at += 2;
    if (compression == 0)
        return at + rows * channels * ((cols * depth + 7) / 8) <= n;
    if (compression != 1)
        return true; // ZIP: the reader checks its stream
    const qint64 counts = rows * channels;
    if (at + counts * 2 > n)
        return false;
    qint64 total = 0;
    for (qint64 i = 0; i < counts; ++i)
        total += be16(u + at + i * 2);
    return at + counts * 2 + total <= n;
}

} // namespace pictures::detail
