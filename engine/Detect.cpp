#include "engine/Detect.h"

#include "data/EmbeddedData.h"
#include "engine/CodeTables.h"

#include <algorithm>
#include <bitset>
#include <filesystem>
#include <fstream>
#include <span>

namespace tessarim {

namespace {

// The UTF-8 test reads this many bytes but stops judging once a sequence ends past
// Utf8JudgedBytes; the extra bytes let a sequence that straddles that point be seen whole.
constexpr std::size_t Utf8SampleSize = 3006;
constexpr std::size_t Utf8JudgedBytes = 3000;
// The GBK/Big5 decision weighs at most MaxCountedCodes + 1 codes: the limit is checked
// after a code is counted.
constexpr unsigned MaxCountedCodes = 5120;
// Share of codes outside GB2312 (in percent) above which a tie goes to Big5.
constexpr unsigned NonGbPercentLimit = 4;
constexpr unsigned DoubleByteTextCodes = 8;
// The sniffer keeps non-ASCII bytes until the GBK/Big5 decision has all the
// codes it weighs, however much ASCII lies between them.
constexpr std::size_t SniffedHighBytes = 2 * (MaxCountedCodes + 1);

std::uint8_t At(std::string_view text, std::size_t i) {
    return static_cast<std::uint8_t>(text[i]);
}

bool IsContinuation(std::uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence a byte leads, or 0 when it cannot lead one.
std::size_t Utf8SequenceLength(std::uint8_t b) {
    if ((b & 0xE0) == 0xC0) return 2;
    if ((b & 0xF0) == 0xE0) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 0;
}

// Membership of a two-byte code in one of the built-in samples.
class Sample {
public:
    explicit Sample(std::span<const std::uint8_t> codes) {
        for (std::size_t i = 0; i + 1 < codes.size(); i += 2)
            members_.set(codes[i] << 8 | codes[i + 1]);
    }
    bool Contains(unsigned code) const { return members_.test(code); }

private:
    std::bitset<0x10000> members_;
};

const Sample& Big5Sample() {
    static const Sample sample(data::TestTbl1());
    return sample;
}

const Sample& GbSample() {
    static const Sample sample(data::TestTbl2());
    return sample;
}

// GBK or Big5 by hits in the two samples of frequent characters.
Code GuessDoubleByteCode(std::string_view text) {
    const Sample& big5Sample = Big5Sample();
    const Sample& gbSample = GbSample();
    unsigned counted = 0;
    unsigned big5Hits = 0;
    unsigned gbHits = 0;
    unsigned nonGb = 0;
    std::size_t i = 0;
    while (i + 1 < text.size()) {
        const std::uint8_t lead = At(text, i);
        if (lead < 0x81) {
            ++i;
            continue;
        }
        const unsigned code = lead << 8 | At(text, i + 1);
        i += 2;
        ++counted;
        if (big5Sample.Contains(code)) ++big5Hits;
        if (gbSample.Contains(code)) ++gbHits;
        if (!IsGbCode(code, GB2312)) ++nonGb;
        if (counted > MaxCountedCodes) break;
    }
    if (counted == 0) return Undetermined;
    if (gbHits != big5Hits) return gbHits > big5Hits ? GBK : BIG5;
    // Big5 trail bytes 40-7E fall outside GB2312, so a tie is broken by their share.
    return nonGb * 100 <= NonGbPercentLimit * counted ? GBK : BIG5;
}

} // namespace

Code DetectBom(std::string_view text) {
    if (text.size() < 2) return Undetermined;
    const std::uint8_t b0 = At(text, 0);
    const std::uint8_t b1 = At(text, 1);
    if (b0 == 0xFF && b1 == 0xFE) return ULE;
    if (b0 == 0xFE && b1 == 0xFF) return UBE;
    if (b0 == 0xEF && b1 == 0xBB && text.size() >= 3 && At(text, 2) == 0xBF) return UTF8;
    return Undetermined;
}

bool LooksLikeUtf8(std::string_view text) {
    const std::string_view sample = text.substr(0, Utf8SampleSize);
    bool seen = false;
    std::size_t i = 0;
    while (i < sample.size()) {
        const std::uint8_t b = At(sample, i);
        if (b < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(b);
        if (length == 0) return false;
        const std::size_t available = std::min(length, sample.size() - i);
        for (std::size_t k = 1; k < available; ++k) {
            if (!IsContinuation(At(sample, i + k))) return false;
        }
        if (available < length) return seen;
        seen = true;
        i += length;
        if (i > Utf8JudgedBytes) return true;
    }
    return seen;
}

Code DetectUtf16ByZeros(std::string_view text) {
    std::size_t evenZeros = 0;
    std::size_t oddZeros = 0;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const bool even = text[i] == 0;
        const bool odd = text[i + 1] == 0;
        if (even && odd) return Undetermined;
        evenZeros += even;
        oddZeros += odd;
    }
    // Two zeros at least, so a stray NUL in 8-bit text is no UTF-16.
    if (evenZeros == 0 && oddZeros >= 2) return ULE;
    if (oddZeros == 0 && evenZeros >= 2) return UBE;
    return Undetermined;
}

bool CodeSniffer::Feed(std::string_view bytes) {
    if (head_.size() < DetectFileSampleSize)
        head_.append(bytes.substr(0, DetectFileSampleSize - head_.size()));
    for (const char c : bytes) {
        if (static_cast<std::uint8_t>(c) >= 0x80) {
            if (!inRun_ && !runs_.empty()) runs_ += ' ';
            runs_ += c;
            inRun_ = true;
            ++highBytes_;
        } else if (inRun_) {
            runs_ += c;
            inRun_ = false;
            if (highBytes_ >= SniffedHighBytes) return false;
        }
    }
    return highBytes_ < SniffedHighBytes;
}

TextCode CodeSniffer::Result() const {
    for (const Code code : {DetectBom(head_), DetectUtf16ByZeros(head_)})
        if (code != Undetermined) return {code, false};
    if (runs_.empty()) return {Undetermined, true};
    return {LooksLikeUtf8(runs_) ? UTF8 : GuessDoubleByteCode(runs_), false};
}

Code DetectStream(std::string_view text) {
    CodeSniffer sniffer;
    sniffer.Feed(text);
    return sniffer.Result().code;
}

Code DetectFile(const std::string& path) {
    return DetectFileCode(path).code;
}

TextCode DetectFileCode(const std::string& path) {
    // Only a regular file is opened: opening a FIFO would wait for a writer.
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored))
        throw ConvertError("Cannot open file " + path);
    std::ifstream file(path, std::ios::binary);
    if (!file) throw ConvertError("Cannot open file " + path);
    CodeSniffer sniffer;
    Bytes block(64 * 1024, '\0');
    for (;;) {
        file.read(block.data(), static_cast<std::streamsize>(block.size()));
        if (file.bad()) throw ConvertError("Stream read error");
        const auto got = static_cast<std::size_t>(file.gcount());
        if (!sniffer.Feed(std::string_view(block).substr(0, got)) || got < block.size()) break;
    }
    return sniffer.Result();
}

bool HasDoubleByteText(std::string_view text) {
    unsigned counted = 0;
    std::size_t i = 0;
    while (i + 1 < text.size()) {
        if (At(text, i) < 0x81) {
            ++i;
            continue;
        }
        if (++counted >= DoubleByteTextCodes) return true;
        i += 2;
    }
    return false;
}

} // namespace tessarim
