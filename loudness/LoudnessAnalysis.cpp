#include "loudness/LoudnessAnalysis.h"

#include "ffmpeg/FfmpegHandles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>

namespace qm::analysis {

int32_t Envelope::frameAt(int32_t ms) const {
    if (rms.empty() || frameMs <= 0) return -1;
    const int32_t k = std::max(ms, 0) / frameMs;
    return std::min<int32_t>(k, static_cast<int32_t>(rms.size()) - 1);
}

namespace {

using ffmpeg::avText;
using FormatPtr = ffmpeg::InputPtr;
using ffmpeg::CodecPtr;
using ffmpeg::FramePtr;
using ffmpeg::PacketPtr;
using ffmpeg::SwrPtr;

// What FFmpeg is given for a source: the address and the protocols it may use,
// or why the source is refused.
struct Target {
    std::string url;
    const char* protocols = "";
    bool network = false;
    std::string refusal;
};

bool isSchemeChar(char c, bool first) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first) return letter;
    return letter || (c >= '0' && c <= '9') || c == '+' || c == '.' || c == '-';
}

// The scheme of "name://...", lower-cased; empty when source does not start so.
std::string schemeOf(std::string_view source) {
    const size_t sep = source.find("://");
    if (sep == std::string_view::npos || sep == 0) return {};
    std::string scheme;
    for (size_t i = 0; i < sep; ++i) {
        if (!isSchemeChar(source[i], i == 0)) return {};
        scheme += static_cast<char>(source[i] | 0x20);
    }
    return scheme;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The path of a plain file:// URL (no host but localhost, no query or
// fragment, escapes decoded); empty when it is not one.
std::string filePathOf(std::string_view url) {
    std::string_view rest = url.substr(7);  // after "file://"
    if (rest.substr(0, 9) == "localhost") rest.remove_prefix(9);
    if (rest.empty() || rest.front() != '/') return {};
    if (rest.find_first_of("?#") != std::string_view::npos) return {};
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        if (i + 2 >= rest.size()) return {};
        const int hi = hexValue(rest[i + 1]), lo = hexValue(rest[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) return {};
        path += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return path;
}

Target targetOf(const std::string& source) {
    Target t;
    if (source.empty()) {
        t.refusal = "no media named";
        return t;
    }
    const std::string scheme = schemeOf(source);
    if (scheme.empty()) {
        // "file:" makes FFmpeg read the path as a file, whatever it looks like
        // (a name such as "concat:a|b" stays a name).
        t.url = "file:" + source;
        t.protocols = "file";
        return t;
    }
    if (scheme == "http" || scheme == "https") {
        const size_t host = scheme.size() + 3;
        if (host >= source.size() || source[host] == '/') {
            t.refusal = "the address names no host";
            return t;
        }
        t.url = source;
        t.protocols = "http,https,tls,tcp";
        t.network = true;
        return t;
    }
    if (scheme == "file") {
        const std::string path = filePathOf(source);
        if (path.empty()) {
            t.refusal = "only a plain file:// address of a local file is read";
            return t;
        }
        t.url = "file:" + path;
        t.protocols = "file";
        return t;
    }
    t.refusal = "addresses of the scheme " + scheme + ":// are not read (local files, http and https only)";
    return t;
}


double sumOfSquares(const float* x, int64_t n) {
    // Eight independent sums let the compiler vectorise without reassociating.
    float lanes[8] = {};
    int64_t i = 0;
    for (; i + 8 <= n; i += 8)
        for (int j = 0; j < 8; ++j) lanes[j] += x[i + j] * x[i + j];
    double sum = 0;
    for (float v : lanes) sum += v;
    for (; i < n; ++i) sum += static_cast<double>(x[i]) * x[i];
    return sum;
}

// Turns mono samples at one rate into RMS frames of kFrameMs. Frame k ends at
// sample floor((k+1) * rate * kFrameMs / 1000), so frames keep in step with
// the clock at any rate.
class RmsFrames {
public:
    RmsFrames(Envelope& out, int rate) : out_(out), rate_(rate) { frameEnd_ = endOf(0); }

    void add(const float* x, int64_t n) {
        while (n > 0) {
            const int64_t take = std::min(n, frameEnd_ - samples_);
            sum_ += sumOfSquares(x, take);
            samples_ += take;
            x += take;
            n -= take;
            if (samples_ == frameEnd_) closeFrame();
        }
    }

    void addSilence(int64_t n) {
        while (n > 0) {
            const int64_t take = std::min(n, frameEnd_ - samples_);
            samples_ += take;
            n -= take;
            if (samples_ == frameEnd_) closeFrame();
        }
    }

    int64_t samples() const { return samples_; }

    // Closes a partial last frame and sets the length; returns the samples taken.
    int64_t finish() {
        const int64_t start = startOf(frameIndex_);
        if (samples_ > start)
            out_.rms.push_back(static_cast<float>(std::sqrt(sum_ / static_cast<double>(samples_ - start))));
        out_.durationMs = static_cast<int32_t>(std::min<int64_t>(samples_ * 1000 / rate_, INT32_MAX));
        return samples_;
    }

private:
    int64_t endOf(int64_t k) const { return (k + 1) * rate_ * kFrameMs / 1000; }
    int64_t startOf(int64_t k) const { return k == 0 ? 0 : endOf(k - 1); }
    void closeFrame() {
        const int64_t length = frameEnd_ - startOf(frameIndex_);
        out_.rms.push_back(static_cast<float>(std::sqrt(sum_ / static_cast<double>(length))));
        sum_ = 0;
        ++frameIndex_;
        frameEnd_ = endOf(frameIndex_);
    }

    Envelope& out_;
    const int64_t rate_;
    int64_t samples_ = 0;
    int64_t frameIndex_ = 0;
    int64_t frameEnd_ = 0;
    double sum_ = 0;
};

// One run: the open input, its decoder and the conversion of every frame to
// mono float at the first frame's rate.
class Run {
public:
    Run(const std::string& source, const ProgressCallback& progress, const std::atomic<bool>* cancel)
        : source_(source), progress_(progress), cancel_(cancel) {}
    ~Run() { av_channel_layout_uninit(&inLayout_); }

    AnalysisResult go() {
        if (!open() || !decodeAll()) return fail();
        if (frames_) frames_->finish();
        if (envelope_.rms.empty() && skipped_ > 0) {
            setError("the audio cannot be decoded: " + avText(lastDecodeError_));
            return fail();
        }
        AnalysisResult r;
        r.envelope = std::move(envelope_);
        r.skippedPackets = skipped_;
        return r;
    }

private:
    bool cancelled() const { return cancel_ && cancel_->load(std::memory_order_relaxed); }

    void setError(std::string reason) {
        if (!error_) error_ = AnalysisError{source_, std::move(reason), false};
    }
    bool avFailed(const char* step, int code) {
        if (cancelled()) {
            error_ = AnalysisError{source_, "cancelled", true};
        } else {
            setError(std::string(step) + ": " + avText(code));
        }
        return false;
    }
    AnalysisResult fail() {
        AnalysisResult r;
        r.error = error_ ? error_ : AnalysisError{source_, "unknown failure", false};
        return r;
    }

    bool open() {
        const Target target = targetOf(source_);
        if (!target.refusal.empty()) {
            setError(target.refusal);
            return false;
        }
        AVFormatContext* raw = avformat_alloc_context();
        if (!raw) return avFailed("cannot open", AVERROR(ENOMEM));
        if (cancel_) raw->interrupt_callback = {&ffmpeg::interruptRequested, const_cast<std::atomic<bool>*>(cancel_)};
        AVDictionary* options = nullptr;
        av_dict_set(&options, "protocol_whitelist", target.protocols, 0);
        if (target.network) av_dict_set(&options, "rw_timeout", "20000000", 0);  // µs
        const int opened = avformat_open_input(&raw, target.url.c_str(), nullptr, &options);
        av_dict_free(&options);
        if (opened < 0) return avFailed("cannot open", opened);  // raw is freed on failure
        format_.reset(raw);

        if (!chooseStream()) return false;
        AVStream* st = format_->streams[stream_];
        codec_.reset(avcodec_alloc_context3(decoder_));
        if (!codec_) return avFailed("cannot set up the decoder", AVERROR(ENOMEM));
        int r = avcodec_parameters_to_context(codec_.get(), st->codecpar);
        if (r < 0) return avFailed("cannot set up the decoder", r);
        codec_->pkt_timebase = st->time_base;
        r = avcodec_open2(codec_.get(), decoder_, nullptr);
        if (r < 0) return avFailed("cannot open the decoder", r);

        if (format_->duration > 0) {
            const int64_t frames = format_->duration / (AV_TIME_BASE / 1000) / kFrameMs + 2;
            envelope_.rms.reserve(static_cast<size_t>(std::min<int64_t>(frames, 50'000'000)));
        }
        if (format_->pb) size_ = avio_size(format_->pb);
        return true;
    }

    // The best audio stream, the others discarded. Stream parameters are read
    // ahead only when the header did not give them (which decodes a little).
    bool chooseStream() {
        for (int pass = 0; pass < 2; ++pass) {
            for (unsigned i = 0; i < format_->nb_streams; ++i)
                format_->streams[i]->discard =
                    format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? AVDISCARD_DEFAULT
                                                                                   : AVDISCARD_ALL;
            const int best = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder_, 0);
            if (best >= 0) {
                stream_ = best;
                for (unsigned i = 0; i < format_->nb_streams; ++i)
                    if (static_cast<int>(i) != best) format_->streams[i]->discard = AVDISCARD_ALL;
                return true;
            }
            if (pass == 0) {
                const int r = avformat_find_stream_info(format_.get(), nullptr);
                if (r < 0) return avFailed("cannot read the streams", r);
                continue;
            }
            if (best == AVERROR_STREAM_NOT_FOUND) {
                setError("the media has no audio stream");
                return false;
            }
            if (best == AVERROR_DECODER_NOT_FOUND) {
                setError("no decoder for the audio stream");
                return false;
            }
            return avFailed("cannot choose the audio stream", best);
        }
        return false;
    }

    bool decodeAll() {
        PacketPtr packet(av_packet_alloc());
        frame_.reset(av_frame_alloc());
        if (!packet || !frame_) return avFailed("decoding", AVERROR(ENOMEM));
        for (;;) {
            if (cancelled()) return avFailed("reading", AVERROR_EXIT);
            const int r = av_read_frame(format_.get(), packet.get());
            if (r == AVERROR_EOF) break;
            if (r < 0) return avFailed("reading", r);
            if (packet->stream_index != stream_) {
                av_packet_unref(packet.get());
                continue;
            }
            reportProgress();
            const int sent = avcodec_send_packet(codec_.get(), packet.get());
            av_packet_unref(packet.get());
            if (!decoderSaid(sent) || !receiveFrames()) return false;
        }
        const int flushed = avcodec_send_packet(codec_.get(), nullptr);
        if (!decoderSaid(flushed) || !receiveFrames() || !drainResampler()) return false;
        if (progress_ && size_ > 0) progress_(1.0);
        return true;
    }

    // A damaged packet is skipped and counted; only running out of memory stops.
    bool decoderSaid(int r) {
        if (r >= 0 || r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r == AVERROR(ENOMEM)) return avFailed("decoding", r);
        ++skipped_;
        lastDecodeError_ = r;
        return true;
    }

    bool receiveFrames() {
        for (;;) {
            const int r = avcodec_receive_frame(codec_.get(), frame_.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) {
                if (!decoderSaid(r)) return false;
                continue;
            }
            const bool ok = take(frame_.get());
            av_frame_unref(frame_.get());
            if (!ok) return false;
        }
    }

    bool take(const AVFrame* f) {
        if (f->nb_samples <= 0) return true;
        if (!swr_ || !ffmpeg::sameAudio(f, inFormat_, inRate_, inLayout_)) {
            if (!drainResampler() || !setUpResampler(f)) return false;
        }
        if (!frames_) frames_.emplace(envelope_, outRate_);
        frames_->addSilence(missingSamples(f));
        const int capacity = swr_get_out_samples(swr_.get(), f->nb_samples);
        if (capacity < 0) return avFailed("converting the samples", capacity);
        if (static_cast<size_t>(capacity) > buffer_.size()) buffer_.resize(capacity);
        uint8_t* out = reinterpret_cast<uint8_t*>(buffer_.data());
        const int n = swr_convert(swr_.get(), &out, capacity, const_cast<const uint8_t**>(f->extended_data),
                                  f->nb_samples);
        if (n < 0) return avFailed("converting the samples", n);
        frames_->add(buffer_.data(), n);
        return true;
    }

    // Silence for time the samples do not cover: before audio that starts
    // after the media, and where damaged packets left a gap in the time
    // stamps, so that the envelope keeps to the clock the player shows.
    int64_t missingSamples(const AVFrame* f) const {
        const int64_t pts = f->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE) return 0;
        const AVStream* st = format_->streams[stream_];
        const int64_t startUs = format_->start_time == AV_NOPTS_VALUE ? 0 : format_->start_time;
        const int64_t atUs = av_rescale_q(pts, st->time_base, AV_TIME_BASE_Q) - startUs;
        const int64_t expected = av_rescale(atUs, outRate_, AV_TIME_BASE);
        const int64_t gap = expected - frames_->samples();
        // Small differences are the resampler's delay; huge ones broken stamps.
        if (gap <= outRate_ / 50 || gap > int64_t{outRate_} * 60) return 0;
        return gap;
    }

    bool setUpResampler(const AVFrame* f) {
        if (f->sample_rate <= 0) {
            setError("the audio has no sample rate");
            return false;
        }
        if (outRate_ == 0) outRate_ = f->sample_rate;
        av_channel_layout_uninit(&inLayout_);
        inLayout_ = ffmpeg::frameLayout(f);
        inFormat_ = f->format;
        inRate_ = f->sample_rate;
        const int r = ffmpeg::openMonoResampler(swr_, f, inLayout_, AV_SAMPLE_FMT_FLT, outRate_);
        return r < 0 ? avFailed("setting up the sample conversion", r) : true;
    }

    // What the resampler still holds (its delay), into the envelope.
    bool drainResampler() {
        if (!swr_ || !frames_) return true;
        for (;;) {
            const int capacity = std::max(swr_get_out_samples(swr_.get(), 0), 0) + 64;
            if (static_cast<size_t>(capacity) > buffer_.size()) buffer_.resize(capacity);
            uint8_t* out = reinterpret_cast<uint8_t*>(buffer_.data());
            const int n = swr_convert(swr_.get(), &out, capacity, nullptr, 0);
            if (n < 0) return avFailed("converting the samples", n);
            if (n == 0) return true;
            frames_->add(buffer_.data(), n);
        }
    }

    void reportProgress() {
        if (!progress_ || size_ <= 0 || !format_->pb) return;
        const double fraction = std::clamp(static_cast<double>(avio_tell(format_->pb)) / size_, 0.0, 1.0);
        if (fraction - reported_ < 0.001) return;
        reported_ = fraction;
        progress_(fraction);
    }

    const std::string& source_;
    const ProgressCallback& progress_;
    const std::atomic<bool>* cancel_;
    std::optional<AnalysisError> error_;

    FormatPtr format_;
    CodecPtr codec_;
    SwrPtr swr_;
    FramePtr frame_;
    const AVCodec* decoder_ = nullptr;
    int stream_ = -1;
    int64_t size_ = -1;
    double reported_ = 0;

    int inFormat_ = -1;
    int inRate_ = 0;
    AVChannelLayout inLayout_{};
    int outRate_ = 0;
    std::vector<float> buffer_;

    Envelope envelope_;
    std::optional<RmsFrames> frames_;
    int32_t skipped_ = 0;
    int lastDecodeError_ = 0;
};

}  // namespace

AnalysisResult analyzeLoudness(const std::string& source, const ProgressCallback& progress,
                               const std::atomic<bool>* cancel) {
    Run run(source, progress, cancel);
    return run.go();
}

}  // namespace qm::analysis
