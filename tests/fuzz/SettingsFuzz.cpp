// libFuzzer target over the settings file QM4.ini. Besides crashes and
// sanitizer findings it traps when a property breaks:
// - whatever the bytes, the size read is within 10 .. 100, and the folder and
//   the entries are valid UTF-8 without line breaks, no entry empty;
// - what was read, written and read again, is the same folder and size and the
//   first historySize entries, and writing that again gives the same bytes;
// - data made from the input, line breaks and sizes out of range included, is
//   written as lines that read back as the data the writer promises: a folder
//   with a line break empty, entries with one or empty left out, at most
//   historySize of them, the size brought into range.
#include "settings/SettingsFile.h"
#include "text/TextCodec.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace qm::settings;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

bool holdsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

void checkRead(const SettingsData& d) {
    check(d.historySize >= kMinHistory && d.historySize <= kMaxHistory);
    check(qm::text::isValidUtf8(d.saveFolder) && !holdsLineBreak(d.saveFolder));
    for (const std::string& e : d.history) check(!e.empty() && qm::text::isValidUtf8(e) && !holdsLineBreak(e));
}

// What serialize promises to keep of data.
SettingsData written(const SettingsData& d) {
    SettingsData w;
    w.saveFolder = holdsLineBreak(d.saveFolder) ? std::string() : d.saveFolder;
    w.historySize = std::clamp(d.historySize, kMinHistory, kMaxHistory);
    for (const std::string& e : d.history) {
        if (static_cast<int>(w.history.size()) == w.historySize) break;
        if (!e.empty() && !holdsLineBreak(e)) w.history.push_back(e);
    }
    return w;
}

void checkSame(const SettingsData& a, const SettingsData& b) {
    check(a.saveFolder == b.saveFolder);
    check(a.historySize == b.historySize);
    check(a.history == b.history);
}

// Fields cut from the input at NUL bytes: the folder, a size, the entries.
SettingsData madeFrom(std::string_view input) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start <= input.size() && fields.size() < 200) {
        std::size_t end = input.find('\0', start);
        if (end == std::string_view::npos) end = input.size();
        fields.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    SettingsData d;
    d.saveFolder = fields[0];
    if (fields.size() > 1) {
        int32_t size = 0;
        for (unsigned char c : fields[1]) size = static_cast<int32_t>(static_cast<uint32_t>(size) * 31 + c);
        d.historySize = size;
    }
    for (std::size_t i = 2; i < fields.size(); ++i) d.history.push_back(fields[i]);
    return d;
}

bool allValidUtf8(const SettingsData& d) {
    if (!qm::text::isValidUtf8(d.saveFolder)) return false;
    return std::all_of(d.history.begin(), d.history.end(), [](const std::string& e) { return qm::text::isValidUtf8(e); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(bytes), size);

    const SettingsData first = parse(input);
    checkRead(first);
    const std::string again = serialize(first);
    const SettingsData second = parse(again);
    checkRead(second);
    checkSame(second, written(first));
    check(serialize(second) == again);

    const SettingsData made = madeFrom(input);
    const SettingsData back = parse(serialize(made));
    checkRead(back);
    const SettingsData promised = written(made);
    check(back.historySize == promised.historySize);
    check(back.history.size() <= promised.history.size());
    // Bytes that are no UTF-8 are read back as CP932, so only valid text
    // comes back exactly.
    if (allValidUtf8(made)) checkSame(back, promised);
    return 0;
}
