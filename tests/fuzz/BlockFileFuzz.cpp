// libFuzzer target over the block file reader. Besides crashes and sanitizer
// findings it traps when a property of the reader breaks:
// - line() yields valid UTF-8 of at most 4096 bytes;
// - a file that parses as Ok, written again and read again, gives the same data.
#include "blockfile/BlockFile.h"
#include "text/TextCodec.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using namespace qm::blockfile;

bool sameData(const BlockData& a, const BlockData& b) {
    return a.mediaPath == b.mediaPath && a.mediaLength == b.mediaLength &&
           a.separators == b.separators && a.memoLines == b.memoLines;
}

void check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);

    for (int n : {0, 1, 4, 1000}) {
        const std::string l = line(input, n);
        check(l.size() <= 4096);
        check(qm::text::isValidUtf8(l));
    }

    const ParseResult first = parse(input);
    if (first.status != ParseStatus::Ok) return 0;
    check(first.data.separators.size() >= 2 && first.data.separators.size() <= 1001);
    // A "*" in the media path starts the memo part on reading, so such a file
    // cannot come back as it was; every other Ok file must.
    if (first.data.mediaPath.find('*') != std::string::npos) return 0;

    const ParseResult second = parse(serialize(first.data));
    check(second.status == ParseStatus::Ok);
    check(sameData(first.data, second.data));
    return 0;
}
