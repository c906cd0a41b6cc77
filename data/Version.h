#pragma once
// The version both programs show: the project's version, followed by the git
// description in parentheses when they were built from a checkout.

namespace tessarim {

const char* VersionString();

} // namespace tessarim
