#pragma once
// The HTML form of the clipboard converted along with its text: the text
// between tags changes typeface, and the tags name the fonts and the language
// of the target.
#include "engine/ConFunc.h"
#include "engine/FixTables.h"

#include <string>
#include <string_view>

namespace tessarim {

// Sets a variable for a scope and puts the old value back on every way out.
template <class T>
class ScopedValue {
public:
    ScopedValue(T& variable, T value) : variable_(variable), old_(variable) { variable_ = value; }
    ~ScopedValue() { variable_ = old_; }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& variable_;
    T old_;
};

// Every occurrence of find replaced, left to right; replaced text is never
// searched again. Without exactCase, ASCII letters match either case.
std::string ReplaceAllText(std::string_view text, std::string_view find,
                           std::string_view replacement, bool exactCase);

// Converts an "HTML Format" block (UTF-8) to Traditional (FaceT) or
// Simplified (FaceS) from its "<body" on: the text between tags changes
// typeface, font names and the language tag in the tags follow the target
// (the font names by the system code page). What precedes "<body" stays as it
// is, whatever follows the last tag is dropped, and the header's offsets are
// not recomputed. A block without "<body" is left alone.
//
// Numeric references in the text are decoded when decodeReferences is set,
// except those that name ASCII characters: "&#60;" decoded would turn text into
// markup. The typeface change applies the correction tables of fixTables.
void ConvertHtmlFragment(std::string& block, Face face, int systemCodePage, bool decodeReferences,
                         FixTables* fixTables);

} // namespace tessarim
