#include "align/AudioReader.h"

#include "ffmpeg/FfmpegHandles.h"
#include "files/WholeFile.h"

#include <algorithm>
#include <cstdio>

namespace qm::align {

namespace {

using ffmpeg::avText;

}  // namespace

struct AudioReader::State {
    std::string path;
    const std::atomic<bool>* cancel = nullptr;
    ffmpeg::InputPtr format;
    ffmpeg::CodecPtr codec;
    ffmpeg::SwrPtr swr;
    ffmpeg::PacketPtr packet;
    ffmpeg::FramePtr frame;
    const AVCodec* decoder = nullptr;
    int stream = -1;
    int64_t size = -1;
    int inFormat = -1;
    int inRate = 0;
    AVChannelLayout inLayout{};
    int64_t samples = 0;  // handed out so far
    bool inputDone = false;
    bool flushed = false;
    bool drained = false;
    int skipped = 0;
    int lastDecodeError = 0;
    std::optional<std::string> error;

    ~State() { av_channel_layout_uninit(&inLayout); }

    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

    bool fail(const std::string& step, int code) {
        if (!error) error = cancelled() ? std::string("cancelled") : step + ": " + avText(code);
        return false;
    }

    bool open() {
        if (const auto refused = files::checkRegularFile(path)) {
            error = refused->reason;
            return false;
        }
        AVFormatContext* raw = avformat_alloc_context();
        if (!raw) return fail("cannot open", AVERROR(ENOMEM));
        if (cancel) raw->interrupt_callback = {&ffmpeg::interruptRequested, const_cast<std::atomic<bool>*>(cancel)};
        AVDictionary* options = nullptr;
        // Only the file itself: whatever it names (a playlist) is not followed.
        if (av_dict_set(&options, "protocol_whitelist", "file", 0) < 0) {
            av_dict_free(&options);
            avformat_free_context(raw);
            return fail("cannot open", AVERROR(ENOMEM));
        }
        const std::string url = "file:" + path;  // the path as a file, whatever its text looks like
        const int opened = avformat_open_input(&raw, url.c_str(), nullptr, &options);
        av_dict_free(&options);
        if (opened < 0) return fail("cannot open", opened);  // raw is freed on failure
        format.reset(raw);
        // The stream parameters and the length as a player sees them.
        const int info = avformat_find_stream_info(format.get(), nullptr);
        if (info < 0) return fail("cannot read the streams", info);
        const int best = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (best == AVERROR_STREAM_NOT_FOUND) {
            error = "the media has no audio stream";
            return false;
        }
        if (best == AVERROR_DECODER_NOT_FOUND) {
            error = "no decoder for the audio stream";
            return false;
        }
        if (best < 0) return fail("cannot choose the audio stream", best);
        stream = best;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            if (static_cast<int>(i) != stream) format->streams[i]->discard = AVDISCARD_ALL;
        AVStream* st = format->streams[stream];
        codec.reset(avcodec_alloc_context3(decoder));
        if (!codec) return fail("cannot set up the decoder", AVERROR(ENOMEM));
        int r = avcodec_parameters_to_context(codec.get(), st->codecpar);
        if (r < 0) return fail("cannot set up the decoder", r);
        codec->pkt_timebase = st->time_base;
        r = avcodec_open2(codec.get(), decoder, nullptr);
        if (r < 0) return fail("cannot open the decoder", r);
        packet.reset(av_packet_alloc());
        frame.reset(av_frame_alloc());
        if (!packet || !frame) return fail("decoding", AVERROR(ENOMEM));
        if (format->pb) size = avio_size(format->pb);
        return true;
    }

    // A damaged packet is skipped and counted; only running out of memory stops.
    bool decoderSaid(int r) {
        if (r >= 0 || r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r == AVERROR(ENOMEM)) return fail("decoding", r);
        ++skipped;
        lastDecodeError = r;
        return true;
    }

    // Silence for the time the samples do not cover, as in the loudness analysis.
    int64_t missingSamples(const AVFrame* f) const {
        const int64_t pts = f->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) return 0;
        const AVStream* st = format->streams[stream];
        const int64_t startUs = format->start_time == AV_NOPTS_VALUE ? 0 : format->start_time;
        const int64_t atUs = av_rescale_q(pts, st->time_base, AV_TIME_BASE_Q) - startUs;
        const int64_t expected = av_rescale(atUs, kSampleRate, AV_TIME_BASE);
        const int64_t gap = expected - samples;
        if (gap <= kSampleRate / 50 || gap > int64_t{kSampleRate} * 60) return 0;
        return gap;
    }

    bool setUpResampler(const AVFrame* f) {
        if (f->sample_rate <= 0) {
            error = "the audio has no sample rate";
            return false;
        }
        av_channel_layout_uninit(&inLayout);
        inLayout = ffmpeg::frameLayout(f);
        inFormat = f->format;
        inRate = f->sample_rate;
        const int r = ffmpeg::openMonoResampler(swr, f, inLayout, AV_SAMPLE_FMT_S16, kSampleRate);
        return r < 0 ? fail("setting up the sample conversion", r) : true;
    }

    // What the resampler still holds, into out.
    bool drainResampler(std::vector<int16_t>& out) {
        if (!swr) return true;
        for (;;) {
            const int capacity = std::max(swr_get_out_samples(swr.get(), 0), 0) + 64;
            const size_t at = out.size();
            out.resize(at + static_cast<size_t>(capacity));
            uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + at);
            const int n = swr_convert(swr.get(), &dst, capacity, nullptr, 0);
            out.resize(at + static_cast<size_t>(std::max(n, 0)));
            if (n < 0) return fail("converting the samples", n);
            samples += n;
            if (n == 0) return true;
        }
    }

    bool take(const AVFrame* f, std::vector<int16_t>& out) {
        if (f->nb_samples <= 0) return true;
        if (!swr || !ffmpeg::sameAudio(f, inFormat, inRate, inLayout)) {
            if (!drainResampler(out) || !setUpResampler(f)) return false;
        }
        const int64_t gap = missingSamples(f);
        if (gap > 0) {
            out.insert(out.end(), static_cast<size_t>(gap), int16_t{0});
            samples += gap;
        }
        const int capacity = swr_get_out_samples(swr.get(), f->nb_samples);
        if (capacity < 0) return fail("converting the samples", capacity);
        const size_t at = out.size();
        out.resize(at + static_cast<size_t>(capacity));
        uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + at);
        const int n = swr_convert(swr.get(), &dst, capacity, const_cast<const uint8_t**>(f->extended_data),
                                  f->nb_samples);
        out.resize(at + static_cast<size_t>(std::max(n, 0)));
        if (n < 0) return fail("converting the samples", n);
        samples += n;
        return true;
    }

    bool receiveFrames(std::vector<int16_t>& out) {
        for (;;) {
            const int r = avcodec_receive_frame(codec.get(), frame.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) {
                if (!decoderSaid(r)) return false;
                continue;
            }
            const bool ok = take(frame.get(), out);
            av_frame_unref(frame.get());
            if (!ok) return false;
        }
    }

    // One more packet's samples into out; false at the end or on an error.
    bool step(std::vector<int16_t>& out) {
        if (drained || error) return false;
        if (cancelled()) return fail("reading", AVERROR_EXIT);
        if (inputDone) {
            if (!flushed) {
                flushed = true;
                const int r = avcodec_send_packet(codec.get(), nullptr);
                if (!decoderSaid(r) || !receiveFrames(out)) return false;
            }
            drained = true;
            if (!drainResampler(out)) return false;
            if (samples == 0 && skipped > 0) {
                error = "the audio cannot be decoded: " + avText(lastDecodeError);
                return false;
            }
            return true;
        }
        const int r = av_read_frame(format.get(), packet.get());
        if (r == AVERROR_EOF) {
            inputDone = true;
            return true;
        }
        if (r < 0) return fail("reading", r);
        if (packet->stream_index != stream) {
            av_packet_unref(packet.get());
            return true;
        }
        const int sent = avcodec_send_packet(codec.get(), packet.get());
        av_packet_unref(packet.get());
        return decoderSaid(sent) && receiveFrames(out);
    }
};

AudioReader::AudioReader(std::unique_ptr<State> state) : s_(std::move(state)) {}
AudioReader::~AudioReader() = default;

std::unique_ptr<AudioReader> AudioReader::open(const std::string& path, const std::atomic<bool>* cancel,
                                               std::string& error) {
    auto state = std::make_unique<State>();
    state->path = path;
    state->cancel = cancel;
    if (!state->open()) {
        error = state->error.value_or("cannot open");
        return nullptr;
    }
    return std::unique_ptr<AudioReader>(new AudioReader(std::move(state)));
}

int32_t AudioReader::containerLengthMs() const {
    const int64_t d = s_->format->duration;
    if (d == AV_NOPTS_VALUE || d <= 0) return 0;
    return static_cast<int32_t>(std::min<int64_t>(d / 1000, INT32_MAX));
}

double AudioReader::fractionRead() const {
    if (s_->size <= 0 || !s_->format->pb) return 0;
    return std::clamp(static_cast<double>(avio_tell(s_->format->pb)) / static_cast<double>(s_->size), 0.0, 1.0);
}

size_t AudioReader::read(std::vector<int16_t>& out, size_t wanted) {
    const size_t before = out.size();
    while (out.size() - before < wanted) {
        if (!s_->step(out)) break;
    }
    return out.size() - before;
}

const std::optional<std::string>& AudioReader::error() const { return s_->error; }
int AudioReader::skippedPackets() const { return s_->skipped; }

}  // namespace qm::align
