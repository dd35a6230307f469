#include "anki/ClipCutter.h"

#include "ffmpeg/FfmpegHandles.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace qm::anki {

namespace {

// Speech in a card: mono at CD rate, 64 kbit/s, about 0.5 MB a minute.
constexpr int kClipRate = 44100;
constexpr int64_t kClipBitRate = 64000;

int64_t sampleAt(int32_t ms) { return int64_t{ms} * kClipRate / 1000; }

using ffmpeg::avText;

std::string failed(const char* step, int code) { return std::string(step) + ": " + avText(code); }

struct OutputFreer {
    void operator()(AVFormatContext* p) const {
        if (p->pb) avio_closep(&p->pb);
        avformat_free_context(p);
    }
};
using ffmpeg::CodecPtr;
using ffmpeg::FramePtr;
using ffmpeg::InputPtr;
using ffmpeg::PacketPtr;
using ffmpeg::SwrPtr;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputFreer>;


bool offers(const AVCodec* codec, AVSampleFormat format) {
    if (!codec->sample_fmts) return false;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == format) return true;
    return false;
}

// One mp3 file being written: samples come in any count, go to the encoder
// a whole frame at a time, and the muxer's header records the encoder's
// delay and padding, so a player gives back exactly the samples put in.
class ClipWriter {
public:
    std::optional<std::string> open(const std::string& path) {
        const AVCodec* encoder = avcodec_find_encoder_by_name("libmp3lame");
        if (!encoder) encoder = avcodec_find_encoder(AV_CODEC_ID_MP3);
        if (!encoder) return std::string("no mp3 encoder in this FFmpeg");
        if (offers(encoder, AV_SAMPLE_FMT_FLTP))
            format_ = AV_SAMPLE_FMT_FLTP;
        else if (offers(encoder, AV_SAMPLE_FMT_S16P))
            format_ = AV_SAMPLE_FMT_S16P;
        else
            return std::string("the mp3 encoder takes neither float nor 16-bit samples");

        AVFormatContext* raw = nullptr;
        int r = avformat_alloc_output_context2(&raw, nullptr, "mp3", nullptr);
        if (r < 0) return failed("cannot set up the mp3 writer", r);
        output_.reset(raw);
        // No version tags: the same block gives the same bytes from any build.
        output_->flags |= AVFMT_FLAG_BITEXACT;
        AVStream* stream = avformat_new_stream(output_.get(), nullptr);
        if (!stream) return failed("cannot set up the mp3 writer", AVERROR(ENOMEM));

        codec_.reset(avcodec_alloc_context3(encoder));
        if (!codec_) return failed("cannot set up the encoder", AVERROR(ENOMEM));
        codec_->sample_fmt = format_;
        codec_->sample_rate = kClipRate;
        codec_->bit_rate = kClipBitRate;
        codec_->time_base = {1, kClipRate};
        codec_->flags |= AV_CODEC_FLAG_BITEXACT;
        // LAME's quality 7 ("fast"): twice the speed of its default, no loss a
        // listener to speech at 64 kbit/s would hear.
        codec_->compression_level = 7;
        av_channel_layout_default(&codec_->ch_layout, 1);
        r = avcodec_open2(codec_.get(), encoder, nullptr);
        if (r < 0) return failed("cannot open the encoder", r);
        r = avcodec_parameters_from_context(stream->codecpar, codec_.get());
        if (r < 0) return failed("cannot set up the mp3 writer", r);
        stream->time_base = codec_->time_base;

        frameSize_ = codec_->frame_size > 0 ? codec_->frame_size : 1152;
        frame_.reset(av_frame_alloc());
        packet_.reset(av_packet_alloc());
        if (!frame_ || !packet_) return failed("cannot set up the encoder", AVERROR(ENOMEM));
        frame_->format = format_;
        frame_->sample_rate = kClipRate;
        frame_->nb_samples = frameSize_;
        r = av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout);
        if (r < 0) return failed("cannot set up the encoder", r);
        r = av_frame_get_buffer(frame_.get(), 0);
        if (r < 0) return failed("cannot set up the encoder", r);
        pending_.reserve(frameSize_);

        r = avio_open(&output_->pb, path.c_str(), AVIO_FLAG_WRITE);
        if (r < 0) return failed("cannot create the clip", r);
        r = avformat_write_header(output_.get(), nullptr);
        if (r < 0) return failed("cannot write the clip", r);
        return std::nullopt;
    }

    std::optional<std::string> add(const float* x, int64_t n) {
        while (n > 0) {
            const int64_t take = std::min<int64_t>(n, frameSize_ - static_cast<int64_t>(pending_.size()));
            pending_.insert(pending_.end(), x, x + take);
            x += take;
            n -= take;
            if (static_cast<int>(pending_.size()) == frameSize_) {
                if (auto e = encodePending()) return e;
            }
        }
        return std::nullopt;
    }

    // The partial last frame, the encoder's tail and the header's counts.
    std::optional<std::string> finish() {
        if (!pending_.empty()) {
            if (auto e = encodePending()) return e;
        }
        const int r = avcodec_send_frame(codec_.get(), nullptr);
        if (r < 0) return failed("encoding", r);
        if (auto e = writePackets()) return e;
        const int t = av_write_trailer(output_.get());
        if (t < 0) return failed("cannot write the clip", t);
        const int c = avio_closep(&output_->pb);
        if (c < 0) return failed("cannot write the clip", c);
        return std::nullopt;
    }

private:
    std::optional<std::string> encodePending() {
        int r = av_frame_make_writable(frame_.get());
        if (r < 0) return failed("encoding", r);
        const int n = static_cast<int>(pending_.size());
        frame_->nb_samples = n;
        frame_->pts = samplesSent_;
        if (format_ == AV_SAMPLE_FMT_FLTP) {
            std::copy(pending_.begin(), pending_.end(), reinterpret_cast<float*>(frame_->data[0]));
        } else {
            auto* out = reinterpret_cast<int16_t*>(frame_->data[0]);
            for (int i = 0; i < n; ++i)
                out[i] = static_cast<int16_t>(std::clamp(pending_[i], -1.0f, 1.0f) * 32767.0f);
        }
        samplesSent_ += n;
        pending_.clear();
        r = avcodec_send_frame(codec_.get(), frame_.get());
        if (r < 0) return failed("encoding", r);
        return writePackets();
    }

    std::optional<std::string> writePackets() {
        for (;;) {
            const int r = avcodec_receive_packet(codec_.get(), packet_.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return std::nullopt;
            if (r < 0) return failed("encoding", r);
            packet_->stream_index = 0;
            av_packet_rescale_ts(packet_.get(), codec_->time_base, output_->streams[0]->time_base);
            const int w = av_interleaved_write_frame(output_.get(), packet_.get());  // takes the packet
            if (w < 0) return failed("cannot write the clip", w);
        }
    }

    OutputPtr output_;
    CodecPtr codec_;
    FramePtr frame_;
    PacketPtr packet_;
    AVSampleFormat format_ = AV_SAMPLE_FMT_NONE;
    int frameSize_ = 0;
    int64_t samplesSent_ = 0;
    std::vector<float> pending_;
};

// One pass over the media: every decoded frame converted to mono float at
// the clips' rate, its samples handed to the clip they fall in.
class Cutter {
public:
    Cutter(const std::string& mediaPath, const std::vector<ClipRange>& clips,
           const std::function<void(double)>& progress, const std::atomic<bool>* cancel)
        : mediaPath_(mediaPath), clips_(clips), progress_(progress), cancel_(cancel) {}
    ~Cutter() { av_channel_layout_uninit(&inLayout_); }

    std::optional<std::string> run() {
        if (clips_.empty()) return std::nullopt;
        lastSample_ = sampleAt(clips_.back().endMs);
        if (!open() || !decode()) return error_;
        if (writer_) {
            // The media ended inside the last clip: it keeps what there was.
            if (auto e = writer_->finish()) return e;
            writer_.reset();
            ++clip_;
        }
        if (clip_ < clips_.size())
            return "the media ends at " + std::to_string(position_ * 1000 / kClipRate) +
                   " ms, before the block at " + std::to_string(clips_[clip_].startMs) + " ms";
        if (progress_) progress_(1.0);
        return std::nullopt;
    }

private:
    bool cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }
    bool fail(std::string reason) {
        if (!error_) error_ = cancelled() ? std::string("cancelled") : std::move(reason);
        return false;
    }
    bool avFailed(const char* step, int code) { return fail(failed(step, code)); }
    bool done() const { return clip_ >= clips_.size(); }

    bool open() {
        AVFormatContext* raw = avformat_alloc_context();
        if (!raw) return avFailed("cannot open the media", AVERROR(ENOMEM));
        if (cancel_) raw->interrupt_callback = {&ffmpeg::interruptRequested, const_cast<std::atomic<bool>*>(cancel_)};
        AVDictionary* options = nullptr;
        av_dict_set(&options, "protocol_whitelist", "file", 0);
        // "file:" keeps a name such as "concat:a|b" a file name.
        const int opened = avformat_open_input(&raw, ("file:" + mediaPath_).c_str(), nullptr, &options);
        av_dict_free(&options);
        if (opened < 0) return avFailed("cannot open the media", opened);  // raw is freed on failure
        input_.reset(raw);
        int r = avformat_find_stream_info(input_.get(), nullptr);
        if (r < 0) return avFailed("cannot read the streams", r);
        const AVCodec* decoder = nullptr;
        r = av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (r == AVERROR_STREAM_NOT_FOUND) return fail("the media has no audio stream");
        if (r < 0) return avFailed("cannot choose the audio stream", r);
        stream_ = r;
        for (unsigned i = 0; i < input_->nb_streams; ++i)
            if (static_cast<int>(i) != stream_) input_->streams[i]->discard = AVDISCARD_ALL;
        codec_.reset(avcodec_alloc_context3(decoder));
        if (!codec_) return avFailed("cannot set up the decoder", AVERROR(ENOMEM));
        r = avcodec_parameters_to_context(codec_.get(), input_->streams[stream_]->codecpar);
        if (r < 0) return avFailed("cannot set up the decoder", r);
        codec_->pkt_timebase = input_->streams[stream_]->time_base;
        r = avcodec_open2(codec_.get(), decoder, nullptr);
        if (r < 0) return avFailed("cannot open the decoder", r);
        return true;
    }

    bool decode() {
        PacketPtr packet(av_packet_alloc());
        frame_.reset(av_frame_alloc());
        if (!packet || !frame_) return avFailed("decoding", AVERROR(ENOMEM));
        while (!done()) {
            if (cancelled()) return fail("cancelled");
            const int r = av_read_frame(input_.get(), packet.get());
            if (r == AVERROR_EOF) break;
            if (r < 0) return avFailed("reading the media", r);
            if (packet->stream_index != stream_) {
                av_packet_unref(packet.get());
                continue;
            }
            const int sent = avcodec_send_packet(codec_.get(), packet.get());
            av_packet_unref(packet.get());
            // A damaged packet is skipped: the clips keep to the samples there are.
            if (sent == AVERROR(ENOMEM)) return avFailed("decoding", sent);
            if (!receiveFrames()) return false;
        }
        if (done()) return true;
        const int flushed = avcodec_send_packet(codec_.get(), nullptr);
        if (flushed < 0 && flushed != AVERROR_EOF) return avFailed("decoding", flushed);
        return receiveFrames() && drainResampler();
    }

    bool receiveFrames() {
        for (;;) {
            const int r = avcodec_receive_frame(codec_.get(), frame_.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r == AVERROR(ENOMEM)) return avFailed("decoding", r);
            if (r < 0) continue;  // a damaged frame, as a damaged packet
            const bool ok = take(frame_.get());
            av_frame_unref(frame_.get());
            if (!ok) return false;
        }
    }

    bool setUpResampler(const AVFrame* f) {
        if (f->sample_rate <= 0) return fail("the audio has no sample rate");
        av_channel_layout_uninit(&inLayout_);
        inLayout_ = ffmpeg::frameLayout(f);
        inFormat_ = f->format;
        inRate_ = f->sample_rate;
        const int r = ffmpeg::openMonoResampler(swr_, f, inLayout_, AV_SAMPLE_FMT_FLT, kClipRate);
        return r < 0 ? avFailed("setting up the sample conversion", r) : true;
    }

    bool take(const AVFrame* f) {
        if (f->nb_samples <= 0) return true;
        if (!swr_ || !ffmpeg::sameAudio(f, inFormat_, inRate_, inLayout_)) {
            if (!drainResampler() || !setUpResampler(f)) return false;
        }
        if (!deliverSilence(missingSamples(f))) return false;
        const int capacity = swr_get_out_samples(swr_.get(), f->nb_samples);
        if (capacity < 0) return avFailed("converting the samples", capacity);
        if (static_cast<size_t>(capacity) > buffer_.size()) buffer_.resize(capacity);
        uint8_t* out = reinterpret_cast<uint8_t*>(buffer_.data());
        const int n = swr_convert(swr_.get(), &out, capacity, const_cast<const uint8_t**>(f->extended_data),
                                  f->nb_samples);
        if (n < 0) return avFailed("converting the samples", n);
        return deliver(buffer_.data(), n);
    }

    // Silence for time the samples do not cover: before audio that starts
    // after the media, and where damaged packets left a gap in the time
    // stamps, so that the clips keep to the clock the player shows (as the
    // loudness analysis does).
    int64_t missingSamples(const AVFrame* f) const {
        const int64_t pts = f->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) return 0;
        const AVStream* st = input_->streams[stream_];
        const int64_t startUs = input_->start_time == AV_NOPTS_VALUE ? 0 : input_->start_time;
        const int64_t atUs = av_rescale_q(pts, st->time_base, AV_TIME_BASE_Q) - startUs;
        const int64_t gap = av_rescale(atUs, kClipRate, AV_TIME_BASE) - position_;
        // Small differences are the resampler's delay; huge ones broken stamps.
        if (gap <= kClipRate / 50 || gap > int64_t{kClipRate} * 60) return 0;
        return gap;
    }

    bool deliverSilence(int64_t n) {
        if (n <= 0) return true;
        const std::vector<float> zeros(static_cast<size_t>(std::min<int64_t>(n, kClipRate)), 0.0f);
        while (n > 0) {
            const int64_t take = std::min<int64_t>(n, static_cast<int64_t>(zeros.size()));
            if (!deliver(zeros.data(), take)) return false;
            n -= take;
        }
        return true;
    }

    // What the resampler still holds (its delay).
    bool drainResampler() {
        if (!swr_) return true;
        for (;;) {
            const int capacity = std::max(swr_get_out_samples(swr_.get(), 0), 0) + 64;
            if (static_cast<size_t>(capacity) > buffer_.size()) buffer_.resize(capacity);
            uint8_t* out = reinterpret_cast<uint8_t*>(buffer_.data());
            const int n = swr_convert(swr_.get(), &out, capacity, nullptr, 0);
            if (n < 0) return avFailed("converting the samples", n);
            if (n == 0) return true;
            if (!deliver(buffer_.data(), n)) return false;
        }
    }

    // Samples from position_ on, to the clips they fall in; between clips
    // (blocks without a note) they are passed over.
    bool deliver(const float* x, int64_t n) {
        while (n > 0 && !done()) {
            const ClipRange& clip = clips_[clip_];
            const int64_t start = sampleAt(clip.startMs), end = sampleAt(clip.endMs);
            if (position_ < start) {
                const int64_t skip = std::min(n, start - position_);
                x += skip;
                n -= skip;
                position_ += skip;
                continue;
            }
            if (!writer_) {
                writer_.emplace();
                if (auto e = writer_->open(clip.path)) return fail(*e);
            }
            const int64_t take = std::min(n, end - position_);
            if (auto e = writer_->add(x, take)) return fail(*e);
            x += take;
            n -= take;
            position_ += take;
            if (position_ == end) {
                if (auto e = writer_->finish()) return fail(*e);
                writer_.reset();
                ++clip_;
            }
        }
        position_ += n;
        reportProgress();
        return true;
    }

    void reportProgress() {
        if (!progress_ || lastSample_ <= 0) return;
        const double fraction = std::min(1.0, static_cast<double>(position_) / static_cast<double>(lastSample_));
        if (fraction - reported_ < 0.01) return;
        reported_ = fraction;
        progress_(fraction);
    }

    const std::string& mediaPath_;
    const std::vector<ClipRange>& clips_;
    const std::function<void(double)>& progress_;
    const std::atomic<bool>* cancel_;
    std::optional<std::string> error_;

    InputPtr input_;
    CodecPtr codec_;
    SwrPtr swr_;
    FramePtr frame_;
    int stream_ = -1;
    int inFormat_ = -1;
    int inRate_ = 0;
    AVChannelLayout inLayout_{};
    std::vector<float> buffer_;

    size_t clip_ = 0;
    int64_t position_ = 0;  // samples at kClipRate from the start of the media
    int64_t lastSample_ = 0;
    double reported_ = 0;
    std::optional<ClipWriter> writer_;
};

}  // namespace

std::optional<std::string> cutClips(const std::string& mediaPath, const std::vector<ClipRange>& clips,
                                    const std::function<void(double)>& progress,
                                    const std::atomic<bool>* cancel) {
    return Cutter(mediaPath, clips, progress, cancel).run();
}

}  // namespace qm::anki
