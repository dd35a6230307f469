#pragma once

#include "pauses/Envelope.h"
#include "files/WholeFile.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm::analysis {

// Envelopes kept on disk, one file per media file, named after its path, so a
// recording opened again needs no second analysis. Owns its folder's
// *.loudness files and keeps their total under a limit, dropping the least
// recently used; knows nothing of where the envelopes come from. A file is
// trusted only when it is whole and names the same path, size and
// modification time: anything else (damaged, truncated, another file's) is
// ignored and later overwritten. Safe to use from several threads, each with
// its own object.
class EnvelopeCache {
public:
    // What a cached envelope belongs to: a local file as it is now.
    struct Key {
        std::string path;  // canonical
        int64_t size = 0;
        int64_t mtimeNs = 0;
        friend bool operator==(const Key&, const Key&) = default;
    };

    // The key of a local regular file, by its canonical path; nothing for a
    // missing file, a folder or anything else.
    static std::optional<Key> keyOf(const QString& localPath);

    // dir is created on the first store; limitBytes bounds the folder's total.
    EnvelopeCache(QString dir, int64_t limitBytes);

    // The envelope stored for key, or nothing (a miss, or a file not to trust).
    // A hit counts as a use for the limit.
    std::optional<Envelope> load(const Key& key) const;

    // Writes the envelope through qm::files::writeWholeFile, then drops the
    // least recently used files beyond the limit (never this one). An envelope
    // bigger than half the limit is not stored (no error).
    std::optional<qm::files::FileError> store(const Key& key, const Envelope& envelope) const;

    // The file that holds path's envelope.
    QString fileFor(const std::string& path) const;

    // The file format: magic, key, frame length, duration, count, the values
    // (little-endian floats), and an FNV-1a checksum of all before it.
    static std::string encode(const Key& key, const Envelope& envelope);
    // Nothing unless bytes are exactly an encoding for key.
    static std::optional<Envelope> decode(std::string_view bytes, const Key& key);

private:
    void prune(const QString& keep) const;

    QString dir_;
    int64_t limitBytes_;
};

}  // namespace qm::analysis
