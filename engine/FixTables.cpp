#include "engine/FixTables.h"

namespace tessarim {

void FixTables::Apply(Bytes& text, Direction direction) {
    FixTableStore& table = Store(FixTableOf(direction));
    if (table.Empty()) return;
    Bytes& output = output_;
    const std::size_t n = text.size();
    std::size_t copied = 0; // bytes before this are in output already
    bool changed = false;
    for (std::size_t at = 0; at < n;) {
        const FixTableStore::Hit hit = table.NextMatch(text, at);
        if (hit.at >= n) break;
        if (!changed) {
            output.clear();
            output.reserve(n);
            changed = true;
        }
        output.append(text, copied, hit.at - copied);
        output.append(hit.match.value);
        at = copied = hit.at + hit.match.keyLength;
    }
    if (!changed) return;
    output.append(text, copied, n - copied);
    text.swap(output);
    // Keep a buffer for the next block, not one left over from a huge text.
    if (output.capacity() > 4 * BlockSize) Bytes().swap(output);
}

} // namespace tessarim
