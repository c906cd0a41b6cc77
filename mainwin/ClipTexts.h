#pragma once
// The questions and completion messages of the clipboard commands in the three
// interface languages (UTF-8), and how their numbers are written.
#include <cstdint>
#include <string>
#include <string_view>

namespace tessarim {

struct ClipTexts {
    // Asked when the text already looks like the target code.
    std::string GtoBQuestion;
    std::string BtoGQuestion;
    // Completion: head + size + Unit + "\r\n\r\n" + TimeLabel + time.
    std::string GtoBHead;
    std::string BtoGHead;
    std::string Unit;
    std::string TimeLabel;
    const char* TimePattern; // printf pattern of the seconds
};

// The texts of an interface language; English for a language the program does
// not have, as the windows keep their English design texts then.
const ClipTexts& ClipTextsFor(std::int64_t lang);

// A count in the pattern "###,###,###,##0": groups of three digits.
std::string FormatCount(std::uint64_t count, std::string_view groupSeparator);
// Seconds in a printf pattern such as "%.5g sec".
std::string FormatSeconds(const char* pattern, double seconds);
// The group separator of the user's locale; "," where the locale has none (the
// C locale), because the pattern asks for groups.
std::string LocaleGroupSeparator();

} // namespace tessarim
