#pragma once
// The file-name mask matcher used by the mask lists (files never converted, files
// treated as HTML) and by the file window's filters.
//
// Syntax: a run of ordinary characters matches itself; "?" one character; "*"
// any run; "[x-y]" one character in x..y and
// "[!x-y]" one outside it; "(abc)" one of a, b, c and "(!abc)" one that is none of
// them; "!x" one character other than x; "#x" the character x itself, so that the
// special characters "!", "#", "(", "*", "?" and "[" can be matched.
//
// Characters are bytes: ranges compare byte values, and "?" takes one byte, so a
// non-ASCII UTF-8 character counts as two to four of them. Matching is
// case-sensitive; callers that want otherwise lower-case both sides.
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessarim {

// A faulty mask. The message is always "Error".
class EMaskError : public std::runtime_error {
public:
    EMaskError() : std::runtime_error("Error") {}
};

class TMaskEx {
public:
    // Room for this many segments; one more makes the mask faulty.
    static constexpr std::size_t MaxSegments = 15;

    // Compiles the mask once; throws EMaskError for a faulty one.
    explicit TMaskEx(std::string_view mask);

    // True when the mask matches the whole text, as a shell glob does: "*.com"
    // does not match "www.sina.com.cn.txt".
    //
    // The empty mask (two adjacent commas in a mask list give one) matches only the
    // empty text: it must neither match every file nor make the whole list faulty.
    bool Matches(std::string_view text) const;

private:
    enum class Kind : std::uint8_t {
        Literal,
        AnyChar,
        AnyRun,
        Range,
        NegatedRange,
        Set,
        NegatedSet,
        NotChar,
        Escaped,
    };
    struct Segment {
        Kind kind = Kind::Literal;
        std::string text; // the literal, the set, the two range ends or the one character
    };

    // For each "*" segment, the lowest text position from which every start of the
    // rest of the mask is known to fail; keeps masks like "*a*a*a*b" from taking
    // exponential time on long names.
    using FailedFrom = std::array<std::size_t, MaxSegments>;

    void Add(Kind kind, std::string text);
    bool MatchFrom(std::size_t first, std::string_view text, std::size_t pos,
                   FailedFrom& failedFrom) const;
    static bool TestOne(const Segment& segment, unsigned char c);

    // As many as the mask has: a mask list keeps every mask compiled.
    std::vector<Segment> segments_;
};

} // namespace tessarim
