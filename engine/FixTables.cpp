#include "engine/FixTables.h"

namespace tessarim {

void FixTables::Apply(Bytes& text, Direction direction) {
    FixTableStore& table = Store(FixTableOf(direction));
    if (table.Empty()) return;
    Bytes& output = output_;
    const char* const p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    std::size_t copied = 0; // bytes before this are in output already
    bool changed = false;
    while (i < n) {
        const unsigned lead = static_cast<std::uint8_t>(p[i]);
        unsigned code = lead;
        std::size_t width = 1;
        if (lead >= 0x81 && i + 1 < n) {
            code = lead << 8 | static_cast<std::uint8_t>(p[i + 1]);
            width = 2;
        } else if (lead >= 0x81) {
            code = lead << 8; // an unpaired lead byte at the end
        }
        if (!table.Occupied(code)) {
            i += width;
            continue;
        }
        const FixTableStore::Match match = table.Find(code, {p + i, n - i});
        if (match.keyLength == 0) {
            i += width;
            continue;
        }
        if (!changed) {
            output.clear();
            output.reserve(n);
            changed = true;
        }
        output.append(p + copied, i - copied);
        output.append(match.value);
        i += match.keyLength;
        copied = i;
    }
    if (!changed) return;
    output.append(p + copied, n - copied);
    text.swap(output);
    // Keep a buffer for the next block, not one left over from a huge text.
    if (output.capacity() > 4 * BlockSize) Bytes().swap(output);
}

} // namespace tessarim
