#pragma once
// The interface language of the desktop program: 0 English, 1 Traditional
// Chinese, 2 Simplified Chinese (any other value is English). Qt's own texts
// (the standard buttons of message boxes, the edit menus of text fields) follow
// it through Qt's translations, and the platform layer's own messages too.
#include <cstdint>
#include <string>

namespace tessarim {

void SetUiLanguage(std::int64_t lang);
std::int64_t UiLanguage();

// One text in the three languages, chosen by the current language.
std::string UiText(const char* english, const char* traditional, const char* simplified);

} // namespace tessarim
