// Encoding detection on any bytes: the verdict is one of the codes detection
// gives, agrees with the byte-order mark, depends only on the sample it is
// meant to read, and a file is judged as its first bytes in memory are.
//
// Input: the text.
#include "engine/CodeTables.h"
#include "engine/Detect.h"
#include "tests/fuzz/FuzzSupport.h"

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
    const bool utf8 = LooksLikeUtf8(text);
    FUZZ_CHECK(utf8 == LooksLikeUtf8(text.substr(0, 3006)));
    if (bom == Undetermined && utf8) FUZZ_CHECK(code == UTF8);
    // Undetermined only for text without a mark, not UTF-8 and without any
    // double-byte code; such text always is undetermined.
    const std::size_t codes = CountDoubleByteCodes(text);
    FUZZ_CHECK((code == Undetermined) == (bom == Undetermined && !utf8 && codes == 0));
    FUZZ_CHECK(HasDoubleByteText(text) == (codes >= 8));

    // A file is judged by its first DetectFileSampleSize bytes.
    const std::string path = fuzz::ScratchFolder() + "detect.txt";
    fuzz::WriteBytes(path, text);
    FUZZ_CHECK(DetectFile(path) == DetectStream(text.substr(0, DetectFileSampleSize)));
    return 0;
}
