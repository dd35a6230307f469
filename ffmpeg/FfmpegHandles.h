#pragma once

// What every reader of media over FFmpeg's libraries needs around them: the
// library's words for an error, owners that free each handle, the interrupt
// that a cancel flag gives, and a frame's channel layout. Header only; whoever
// includes it links FFmpeg's libraries itself.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

namespace qm::ffmpeg {

// FFmpeg's own words for an error code.
inline std::string avText(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, buf, sizeof buf) < 0) std::snprintf(buf, sizeof buf, "error %d", code);
    return buf;
}

struct InputCloser {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct CodecFreer {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct SwrFreer {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;

// An input's interrupt callback over a const std::atomic<bool>* cancel flag:
// a set flag ends a blocking read.
inline int interruptRequested(void* cancel) {
    return static_cast<const std::atomic<bool>*>(cancel)->load(std::memory_order_relaxed) ? 1 : 0;
}

// The frame's channel layout, or the default one for its channel count when
// it names none (or a broken one). The caller uninits it.
inline AVChannelLayout frameLayout(const AVFrame* f) {
    AVChannelLayout layout{};
    if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&f->ch_layout) == 0 ||
        av_channel_layout_copy(&layout, &f->ch_layout) < 0) {
        av_channel_layout_uninit(&layout);
        av_channel_layout_default(&layout, std::max(1, f->ch_layout.nb_channels));
    }
    return layout;
}

// Whether a frame's audio is still what a resampler was set up for.
inline bool sameAudio(const AVFrame* f, int format, int rate, const AVChannelLayout& layout) {
    if (f->format != format || f->sample_rate != rate) return false;
    AVChannelLayout now = frameLayout(f);
    const bool same = av_channel_layout_compare(&now, &layout) == 0;
    av_channel_layout_uninit(&now);
    return same;
}

// Sets swr up to turn audio like f's (inLayout: its layout, as frameLayout
// gives it; only read, though FFmpeg 5 takes it non-const) into mono
// outFormat at outRate. 0, or FFmpeg's error code.
inline int openMonoResampler(SwrPtr& swr, const AVFrame* f, AVChannelLayout& inLayout, AVSampleFormat outFormat,
                             int outRate) {
    AVChannelLayout mono{};
    av_channel_layout_default(&mono, 1);
    SwrContext* raw = nullptr;
    const int r = swr_alloc_set_opts2(&raw, &mono, outFormat, outRate, &inLayout, static_cast<AVSampleFormat>(f->format),
                                      f->sample_rate, 0, nullptr);
    swr.reset(raw);
    return r < 0 ? r : swr_init(swr.get());
}

}  // namespace qm::ffmpeg
