// TMaskEx on any mask and name: compiling either succeeds or raises EMaskError,
// matching ends quickly however many stars a mask holds, and the results obey
// what the matcher promises: a name that matches with more text after it still
// matches with a trailing "*"; a leading "*" tries the rest of the mask at every
// start, the end of the name included; a name written as a mask with every
// special character escaped matches itself and nothing longer.
//
// Input: the mask length, the mask, then the name and (after a 0 byte) more text
// to append.
#include "core/MasksEx.h"
#include "tests/fuzz/FuzzSupport.h"

#include <optional>

namespace {

using namespace tessarim;

std::optional<TMaskEx> Compile(std::string_view mask) {
    try {
        return TMaskEx(mask);
    } catch (const EMaskError& error) {
        FUZZ_CHECK(std::string_view(error.what()) == "Error");
        return std::nullopt;
    }
}

std::string Escaped(std::string_view name) {
    std::string mask;
    for (const char c : name) {
        if (std::string_view("!#(*?[").find(c) != std::string_view::npos) mask += '#';
        mask += c;
    }
    return mask;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::string_view mask = input.Take(input.Byte() % 48);
    const std::string_view name = input.Until('\0');
    const std::string_view more = input.rest;

    if (const auto escaped = Compile(Escaped(name))) {
        FUZZ_CHECK(escaped->Matches(name));
        if (!more.empty()) FUZZ_CHECK(!escaped->Matches(std::string(name) + std::string(more)));
    }

    const auto compiled = Compile(mask);
    if (!compiled) return 0;
    const bool matches = compiled->Matches(name);
    if (mask.empty()) {
        FUZZ_CHECK(matches == name.empty());
        return 0;
    }
    if (matches)
        if (const auto trailing = Compile(std::string(mask).append("*")))
            FUZZ_CHECK(trailing->Matches(std::string(name) + std::string(more)));

    if (const auto starred = Compile(std::string("*").append(mask))) {
        bool any = false;
        for (std::size_t start = 0; start <= name.size() && !any; ++start)
            any = compiled->Matches(name.substr(start));
        FUZZ_CHECK(starred->Matches(name) == any);
    }
    return 0;
}
