#include "core/MasksEx.h"

#include <algorithm>
#include <utility>

namespace tessarim {

namespace {
constexpr std::string_view SpecialChars = "!#(*?[";
constexpr std::size_t Nowhere = std::string_view::npos;
} // namespace

TMaskEx::TMaskEx(std::string_view mask) {
    std::size_t i = 0;
    while (i < mask.size()) {
        const char c = mask[i];
        switch (c) {
        case '?':
            Add(Kind::AnyChar, {});
            ++i;
            break;
        case '*':
            Add(Kind::AnyRun, {});
            ++i;
            break;
        case '[': {
            const std::size_t close = mask.find(']', i + 1);
            if (close == Nowhere) throw EMaskError();
            const std::string_view inside = mask.substr(i + 1, close - i - 1);
            if (inside.size() == 4 && inside[0] == '!' && inside[2] == '-')
                Add(Kind::NegatedRange, {inside[1], inside[3]});
            else if (inside.size() == 3 && inside[1] == '-')
                Add(Kind::Range, {inside[0], inside[2]});
            else
                throw EMaskError();
            i = close + 1;
            break;
        }
        case '(': {
            const std::size_t close = mask.find(')', i + 1);
            if (close == Nowhere) throw EMaskError();
            const std::string_view inside = mask.substr(i + 1, close - i - 1);
            if (!inside.empty() && inside[0] == '!')
                Add(Kind::NegatedSet, std::string(inside.substr(1)));
            else
                Add(Kind::Set, std::string(inside));
            i = close + 1;
            break;
        }
        case '!':
        case '#':
            if (i + 1 >= mask.size()) throw EMaskError();
            Add(c == '!' ? Kind::NotChar : Kind::Escaped, std::string(1, mask[i + 1]));
            i += 2;
            break;
        default: {
            const std::size_t end = std::min(mask.find_first_of(SpecialChars, i), mask.size());
            Add(Kind::Literal, std::string(mask.substr(i, end - i)));
            i = end;
            break;
        }
        }
    }
}

void TMaskEx::Add(Kind kind, std::string text) {
    if (segments_.size() == MaxSegments) throw EMaskError();
    segments_.push_back(Segment{kind, std::move(text)});
}

bool TMaskEx::Matches(std::string_view text) const {
    if (segments_.empty()) return text.empty();
    FailedFrom failedFrom;
    failedFrom.fill(Nowhere);
    return MatchFrom(0, text, 0, failedFrom);
}

bool TMaskEx::TestOne(const Segment& segment, unsigned char c) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(segment.text[i]); };
    switch (segment.kind) {
    case Kind::Range:
        return at(0) <= c && c <= at(1);
    case Kind::NegatedRange:
        return c < at(0) || c > at(1);
    case Kind::Set:
        return segment.text.find(static_cast<char>(c)) != Nowhere;
    case Kind::NegatedSet:
        return segment.text.find(static_cast<char>(c)) == Nowhere;
    case Kind::NotChar:
        return c != at(0);
    case Kind::Escaped:
        return c == at(0);
    default:
        return false;
    }
}

bool TMaskEx::MatchFrom(std::size_t first, std::string_view text, std::size_t pos,
                        FailedFrom& failedFrom) const {
    for (std::size_t s = first; s < segments_.size(); ++s) {
        const Segment& segment = segments_[s];
        switch (segment.kind) {
        case Kind::Literal:
            if (!text.substr(pos).starts_with(segment.text)) return false;
            pos += segment.text.size();
            break;
        case Kind::AnyChar:
            if (pos >= text.size()) return false;
            ++pos;
            break;
        case Kind::AnyRun: {
            // The rest of the mask is tried at every start from here to the end of
            // the text. When all fail, every start
            // from here on is known to fail, and a later attempt at the same "*" skips
            // them: no start is tried twice, so the work grows with the text's length
            // times the mask's instead of exponentially with the number of stars.
            const std::size_t last = text.size();
            std::size_t& failed = failedFrom[s];
            for (std::size_t start = pos; start <= last && start < failed; ++start)
                if (MatchFrom(s + 1, text, start, failedFrom)) return true;
            failed = std::min(failed, pos);
            return false;
        }
        default:
            if (pos >= text.size() || !TestOne(segment, static_cast<unsigned char>(text[pos])))
                return false;
            ++pos;
            break;
        }
    }
    // A mask matches the whole name, as a shell glob does: "*.com" is no mask
    // for "www.sina.com.cn.txt".
    return pos == text.size();
}

} // namespace tessarim
