// rmfix FILE: gives an ffmpeg-made ra_144 RealMedia file its time stamps.
//
// FFmpeg's rm muxer writes every packet time stamp and both duration fields
// (PROP and MDPR) as 0, so players find no length and cannot seek. ra_144
// puts one 20 ms frame into each packet, so packet k starts at 20*k ms and the
// stream lasts 20 ms per packet. The file is rewritten in place.
//
// Layout (all big-endian): a chunk is id(4) size(4) version(2) body.
//   PROP body: max_bit_rate avg_bit_rate max_packet avg_packet num_packets
//              duration ... (4 bytes each) -> duration at chunk + 30.
//   MDPR body: stream(2) max_bit_rate avg_bit_rate max_packet avg_packet
//              start_time preroll duration -> duration at chunk + 36.
//   DATA body: num_packets(4) next_data_header(4), then packets:
//              version(2) length(2) stream(2) timestamp(4) group(1) flags(1).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kFrameMs = 20;
constexpr size_t kChunkHeader = 10;   // id, size, version
constexpr size_t kPacketHeader = 12;  // version 0 packet header

uint32_t get32(const std::vector<unsigned char>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 |
           uint32_t(b[at + 3]);
}
uint16_t get16(const std::vector<unsigned char>& b, size_t at) {
    return uint16_t(b[at] << 8 | b[at + 1]);
}
void put32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
    b[at] = v >> 24;
    b[at + 1] = (v >> 16) & 0xff;
    b[at + 2] = (v >> 8) & 0xff;
    b[at + 3] = v & 0xff;
}

int fail(const std::string& path, const char* why) {
    std::fprintf(stderr, "rmfix: %s: %s\n", path.c_str(), why);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: rmfix FILE.rm\n");
        return 2;
    }
    const std::string path = argv[1];
    std::vector<unsigned char> b;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) return fail(path, "cannot open");
        b.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) return fail(path, "read error");
    }
    if (b.size() < 18 || std::string(b.begin(), b.begin() + 4) != ".RMF")
        return fail(path, "not a RealMedia file");

    // Walk the chunks; remember where the duration fields are, count the packets.
    std::vector<size_t> durationFields;
    uint32_t packets = 0;
    bool sawData = false;
    size_t at = get32(b, 4);  // the .RMF header's own size
    while (at + kChunkHeader <= b.size()) {
        const std::string id(b.begin() + at, b.begin() + at + 4);
        const uint32_t size = get32(b, at + 4);
        if (size < kChunkHeader) break;  // the zero end marker
        if (id == "PROP") {
            if (at + 34 > b.size()) return fail(path, "short PROP chunk");
            durationFields.push_back(at + 30);
        } else if (id == "MDPR") {
            if (at + 40 > b.size()) return fail(path, "short MDPR chunk");
            durationFields.push_back(at + 36);
        } else if (id == "DATA") {
            sawData = true;
            if (at + 18 > b.size()) return fail(path, "short DATA chunk");
            const uint32_t declared = get32(b, at + 10);
            // The muxer's DATA size may run past the end of the file: trust the file.
            const size_t end = std::min<size_t>(b.size(), at + size_t(size));
            size_t p = at + 18;
            while (packets < declared && p + kPacketHeader <= end) {
                if (get16(b, p) != 0) return fail(path, "unsupported packet version");
                const uint16_t length = get16(b, p + 2);
                if (length < kPacketHeader || p + length > end)
                    return fail(path, "packet runs past its chunk");
                put32(b, p + 6, packets * kFrameMs);
                p += length;
                ++packets;
            }
            if (packets != declared) return fail(path, "fewer packets than declared");
        }
        at += size;
    }
    if (!sawData || packets == 0) return fail(path, "no packets");
    if (durationFields.size() < 2) return fail(path, "no PROP or MDPR chunk");
    for (size_t field : durationFields) put32(b, field, packets * kFrameMs);

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return fail(path, "cannot write");
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    out.close();
    if (!out) return fail(path, "write error");
    std::printf("rmfix: %s: %u packets, %u ms\n", path.c_str(), packets, packets * kFrameMs);
    return 0;
}
