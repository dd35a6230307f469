#include "analysis/EnvelopeCache.h"

#include "loudness/LoudnessAnalysis.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace qm::analysis {
namespace {

constexpr char kMagic[8] = {'Q', 'M', '5', 'L', 'O', 'U', 'D', '\x01'};
const QString kSuffix = QStringLiteral(".loudness");

void putU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void putU64(std::string& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Reads little-endian fields from the front of a byte string; once a read
// runs past the end, every later read fails too.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool u32(uint32_t& v) {
        uint64_t w = 0;
        if (!take(4, w)) return false;
        v = static_cast<uint32_t>(w);
        return true;
    }
    bool u64(uint64_t& v) { return take(8, v); }
    bool bytes(size_t n, std::string_view& v) {
        if (!ok_ || bytes_.size() - pos_ < n) return ok_ = false;
        v = bytes_.substr(pos_, n);
        pos_ += n;
        return true;
    }
    size_t position() const { return pos_; }

private:
    bool take(int n, uint64_t& v) {
        if (!ok_ || bytes_.size() - pos_ < static_cast<size_t>(n)) return ok_ = false;
        v = 0;
        for (int i = 0; i < n; ++i) v |= uint64_t{static_cast<unsigned char>(bytes_[pos_ + i])} << (8 * i);
        pos_ += n;
        return true;
    }
    std::string_view bytes_;
    size_t pos_ = 0;
    bool ok_ = true;
};

uint64_t fnv1a(std::string_view bytes) {
    uint64_t h = 14695981039346656037ull;
    for (char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace

std::optional<EnvelopeCache::Key> EnvelopeCache::keyOf(const QString& localPath) {
    const QString canonical = QFileInfo(localPath).canonicalFilePath();
    if (canonical.isEmpty()) return std::nullopt;
    const QByteArray native = QFile::encodeName(canonical);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return Key{native.toStdString(), static_cast<int64_t>(st.st_size),
               static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

EnvelopeCache::EnvelopeCache(QString dir, int64_t limitBytes) : dir_(std::move(dir)), limitBytes_(limitBytes) {}

QString EnvelopeCache::fileFor(const std::string& path) const {
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(path), QCryptographicHash::Sha1);
    return dir_ + QLatin1Char('/') + QString::fromLatin1(hash.toHex()) + kSuffix;
}

std::string EnvelopeCache::encode(const Key& key, const Envelope& envelope) {
    std::string out;
    out.reserve(64 + key.path.size() + envelope.rms.size() * 4);
    out.append(kMagic, sizeof kMagic);
    putU32(out, static_cast<uint32_t>(key.path.size()));
    out += key.path;
    putU64(out, static_cast<uint64_t>(key.size));
    putU64(out, static_cast<uint64_t>(key.mtimeNs));
    putU32(out, static_cast<uint32_t>(envelope.frameMs));
    putU32(out, static_cast<uint32_t>(envelope.durationMs));
    putU32(out, static_cast<uint32_t>(envelope.rms.size()));
    for (float v : envelope.rms) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        putU32(out, bits);
    }
    putU64(out, fnv1a(out));
    return out;
}

std::optional<Envelope> EnvelopeCache::decode(std::string_view bytes, const Key& key) {
    if (bytes.size() < sizeof kMagic + 8) return std::nullopt;
    const std::string_view body = bytes.substr(0, bytes.size() - 8);
    Reader tail(bytes.substr(body.size()));
    uint64_t checksum = 0;
    if (!tail.u64(checksum) || checksum != fnv1a(body)) return std::nullopt;

    Reader r(body);
    std::string_view magic, path;
    uint32_t pathLength = 0, frameMs = 0, durationMs = 0, count = 0;
    uint64_t size = 0, mtime = 0;
    if (!r.bytes(sizeof kMagic, magic) || magic != std::string_view(kMagic, sizeof kMagic)) return std::nullopt;
    if (!r.u32(pathLength) || !r.bytes(pathLength, path) || path != key.path) return std::nullopt;
    if (!r.u64(size) || !r.u64(mtime) || static_cast<int64_t>(size) != key.size ||
        static_cast<int64_t>(mtime) != key.mtimeNs)
        return std::nullopt;
    if (!r.u32(frameMs) || !r.u32(durationMs) || !r.u32(count)) return std::nullopt;
    if (frameMs != static_cast<uint32_t>(kFrameMs) || durationMs > INT32_MAX) return std::nullopt;
    // The last frame may be partial, and a few samples make a frame of 0 ms.
    if (uint64_t{count} * frameMs < durationMs || count > durationMs / frameMs + 2) return std::nullopt;
    if (body.size() - r.position() != uint64_t{count} * 4) return std::nullopt;

    Envelope e;
    e.frameMs = static_cast<int32_t>(frameMs);
    e.durationMs = static_cast<int32_t>(durationMs);
    e.rms.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t bits = 0;
        r.u32(bits);
        std::memcpy(&e.rms[i], &bits, sizeof bits);
        if (!std::isfinite(e.rms[i]) || e.rms[i] < 0.0f) return std::nullopt;
    }
    return e;
}

std::optional<Envelope> EnvelopeCache::load(const Key& key) const {
    if (dir_.isEmpty()) return std::nullopt;
    const QString file = fileFor(key.path);
    const QByteArray native = QFile::encodeName(file);
    const auto read = qm::files::readWholeFile(native.toStdString(), static_cast<size_t>(limitBytes_));
    if (read.error) return std::nullopt;
    auto envelope = decode(read.bytes, key);
    if (envelope) ::utimensat(AT_FDCWD, native.constData(), nullptr, 0);  // now: recently used
    return envelope;
}

std::optional<qm::files::FileError> EnvelopeCache::store(const Key& key, const Envelope& envelope) const {
    if (dir_.isEmpty()) return std::nullopt;
    const std::string bytes = encode(key, envelope);
    if (static_cast<int64_t>(bytes.size()) > limitBytes_ / 2) return std::nullopt;
    const QString file = fileFor(key.path);
    if (!QDir().mkpath(dir_)) return qm::files::FileError{QFile::encodeName(dir_).toStdString(), "cannot create the folder"};
    if (auto error = qm::files::writeWholeFile(QFile::encodeName(file).toStdString(), bytes)) return error;
    prune(file);
    return std::nullopt;
}

void EnvelopeCache::prune(const QString& keep) const {
    const QString kept = QFileInfo(keep).absoluteFilePath();
    int64_t total = QFileInfo(kept).size();
    const QFileInfoList files =
        QDir(dir_).entryInfoList({QStringLiteral("*") + kSuffix}, QDir::Files, QDir::Time);  // newest first
    for (const QFileInfo& f : files) {
        if (f.absoluteFilePath() == kept) continue;
        if (total + f.size() > limitBytes_) {
            QFile::remove(f.absoluteFilePath());
            continue;
        }
        total += f.size();
    }
}

}  // namespace qm::analysis
