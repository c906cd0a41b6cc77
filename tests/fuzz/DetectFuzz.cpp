// Encoding detection on any bytes: the verdict is one of the codes detection
// gives, agrees with the byte-order mark, is undetermined exactly for text
// without a byte above 0x7F (or without a double-byte code, when it is not
// UTF-8), does not change when ASCII comes first, and a file is judged as the
// same bytes in memory are.
//
// Input: the text.
#include "engine/CodeTables.h"
#include "engine/Detect.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>

namespace {

using namespace tessarim;

// Double-byte codes counted as detection counts them: a byte of 0x81 or more
// takes the next byte with it.
std::size_t CountDoubleByteCodes(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (static_cast<std::uint8_t>(text[i]) >= 0x81) ++count, ++i;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const Code code = DetectStream(text);
    const Code bom = DetectBom(text);
    FUZZ_CHECK((code <= BIG5 || code == Undetermined) && (bom <= UTF8 || bom == Undetermined));
    if (bom != Undetermined) FUZZ_CHECK(code == bom);

    // The UTF-8 test reads 3006 bytes and no more.
    FUZZ_CHECK(LooksLikeUtf8(text) == LooksLikeUtf8(text.substr(0, 3006)));
    FUZZ_CHECK(HasDoubleByteText(text) == (CountDoubleByteCodes(text) >= 8));

    CodeSniffer sniffer;
    sniffer.Feed(text);
    const TextCode found = sniffer.Result();
    FUZZ_CHECK(found.code == code);
    const bool high = std::any_of(text.begin(), text.end(),
                                  [](char c) { return static_cast<std::uint8_t>(c) >= 0x80; });
    const bool zeros = text.find('\0') != std::string_view::npos;
    if (!high && !zeros) FUZZ_CHECK(found.asciiOnly && code == Undetermined);
    if (found.asciiOnly) FUZZ_CHECK(code == Undetermined);
    if (high && code == Undetermined) FUZZ_CHECK(CountDoubleByteCodes(text) == 0 || zeros);

    // Chinese text behind a long English start is judged as the text alone.
    if (bom == Undetermined && !zeros)
        FUZZ_CHECK(DetectStream(std::string(7000, 'a').append(text)) == code);

    const std::string path = fuzz::ScratchFolder() + "detect.txt";
    fuzz::WriteBytes(path, text);
    FUZZ_CHECK(DetectFile(path) == code);
    return 0;
}
