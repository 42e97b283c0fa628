#include "media/videoframe.h"

#include <cerrno>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include "media/lazylibrary.h"

namespace media {

namespace {

constinit LazyLibrary g_avformat("libavformat.so.59");
constinit LazyLibrary g_avcodec("libavcodec.so.59");
constinit LazyLibrary g_avutil("libavutil.so.57");
constinit LazyLibrary g_swscale("libswscale.so.6");

// The functions used, looked up once. The names stay out of the program's
// own symbols, so libmpv (which links these libraries itself) is untouched.
struct Av {
#define KELVRA_AV(lib, name) decltype(&::name) name = lib.resolve<decltype(&::name)>(#name);
    KELVRA_AV(g_avformat, avformat_open_input)
    KELVRA_AV(g_avformat, avformat_find_stream_info)
    KELVRA_AV(g_avformat, av_find_best_stream)
    KELVRA_AV(g_avformat, av_read_frame)
    KELVRA_AV(g_avformat, avformat_close_input)
    KELVRA_AV(g_avcodec, avcodec_alloc_context3)
    KELVRA_AV(g_avcodec, avcodec_parameters_to_context)
    KELVRA_AV(g_avcodec, avcodec_open2)
    KELVRA_AV(g_avcodec, avcodec_send_packet)
    KELVRA_AV(g_avcodec, avcodec_receive_frame)
    KELVRA_AV(g_avcodec, avcodec_free_context)
    KELVRA_AV(g_avcodec, av_packet_alloc)
    KELVRA_AV(g_avcodec, av_packet_unref)
    KELVRA_AV(g_avcodec, av_packet_free)
    KELVRA_AV(g_avutil, av_frame_alloc)
    KELVRA_AV(g_avutil, av_frame_free)
    KELVRA_AV(g_avutil, av_log_set_level)
    KELVRA_AV(g_swscale, sws_getContext)
    KELVRA_AV(g_swscale, sws_scale)
    KELVRA_AV(g_swscale, sws_freeContext)
#undef KELVRA_AV
    bool ok() const
    {
        return avformat_open_input && avformat_find_stream_info && av_find_best_stream &&
               av_read_frame && avformat_close_input && avcodec_alloc_context3 &&
               avcodec_parameters_to_context && avcodec_open2 && avcodec_send_packet &&
               avcodec_receive_frame && avcodec_free_context && av_packet_alloc &&
               av_packet_unref && av_packet_free && av_frame_alloc && av_frame_free &&
               sws_getContext && sws_scale && sws_freeContext;
    }
};

const Av& av()
{
    static const Av api = [] {
        Av a;
        // A file that is not a clip is an everyday case here, not news for stderr.
        if (a.av_log_set_level)
            a.av_log_set_level(AV_LOG_QUIET);
        return a;
    }();
    return api;
}

// Reading stops after this many packets without a picture: a broken file
// must not keep a worker busy.
constexpr int kMaxPackets = 4000;

} // namespace

QImage firstVideoFrame(const QString& path, QSize bound)
{
    const Av& a = av();
    if (!a.ok() || bound.isEmpty())
        return {};
    AVFormatContext* format = nullptr;
    if (a.avformat_open_input(&format, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return {};
    AVCodecContext* codec = nullptr;
    AVPacket* packet = a.av_packet_alloc();
    AVFrame* frame = a.av_frame_alloc();
    QImage result;

    const AVCodec* decoder = nullptr;
    int stream = -1;
    if (packet && frame && a.avformat_find_stream_info(format, nullptr) >= 0)
        stream = a.av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (stream >= 0 && decoder)
        codec = a.avcodec_alloc_context3(decoder);
    bool got = false;
    if (codec && a.avcodec_parameters_to_context(codec, format->streams[stream]->codecpar) >= 0 &&
        a.avcodec_open2(codec, decoder, nullptr) >= 0) {
        bool flushed = false;
        for (int n = 0; n < kMaxPackets && !got; ++n) {
            if (!flushed) {
                const int r = a.av_read_frame(format, packet);
                if (r < 0) {
                    a.avcodec_send_packet(codec, nullptr); // end: let buffered frames out
                    flushed = true;
                } else {
                    if (packet->stream_index == stream)
                        a.avcodec_send_packet(codec, packet);
                    a.av_packet_unref(packet);
                }
            }
            const int r = a.avcodec_receive_frame(codec, frame);
            if (r == 0)
                got = true;
            else if (r != AVERROR(EAGAIN) || flushed)
                break;
        }
    }
    if (got && frame->width > 0 && frame->height > 0) {
        QSizeF shown(frame->width, frame->height);
        const AVRational sar = frame->sample_aspect_ratio;
        if (sar.num > 0 && sar.den > 0)
            shown.setWidth(shown.width() * sar.num / sar.den);
        QSize target = shown.toSize();
        if (target.width() > bound.width() || target.height() > bound.height())
            target = shown.scaled(QSizeF(bound), Qt::KeepAspectRatio).toSize();
        target = target.expandedTo(QSize(1, 1));
        SwsContext* sws = a.sws_getContext(
            frame->width, frame->height, AVPixelFormat(frame->format), target.width(),
            target.height(), AV_PIX_FMT_BGRA, SWS_AREA, nullptr, nullptr, nullptr);
        if (sws) {
            QImage image(target, QImage::Format_RGB32);
            uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
            int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
            if (a.sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides) >
                0)
                result = image;
            a.sws_freeContext(sws);
        }
    }
    a.av_frame_free(&frame);
    a.av_packet_free(&packet);
    if (codec)
        a.avcodec_free_context(&codec);
    a.avformat_close_input(&format);
    return result;
}

} // namespace media
