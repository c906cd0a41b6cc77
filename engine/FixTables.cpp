#include "engine/FixTables.h"

namespace tessarim {

void FixTables::Apply(Bytes& text, Direction direction) {
    FixTableStore& table = Store(FixTableOf(direction));
    if (table.Empty() || !table.Rewrite(text, output_)) return;
    text.swap(output_);
    // Keep a buffer for the next block, not one left over from a huge text.
    if (output_.capacity() > 4 * BlockSize) Bytes().swap(output_);
}

} // namespace tessarim
