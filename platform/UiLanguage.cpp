#include "platform/UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace tessarim {

namespace {

std::int64_t& Current() {
    static std::int64_t lang = 0;
    return lang;
}

std::unique_ptr<QTranslator>& Installed() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

void SetUiLanguage(std::int64_t lang) {
    Current() = lang;
    if (!QCoreApplication::instance()) return;
    std::unique_ptr<QTranslator>& installed = Installed();
    if (installed) QCoreApplication::removeTranslator(installed.get());
    installed.reset();
    const char* catalog = lang == 1 ? "qtbase_zh_TW" : lang == 2 ? "qtbase_zh_CN" : nullptr;
    if (!catalog) return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(catalog, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get()))
        installed = std::move(translator);
}

std::int64_t UiLanguage() {
    return Current();
}

std::string UiText(const char* english, const char* traditional, const char* simplified) {
    switch (Current()) {
    case 1:
        return traditional;
    case 2:
        return simplified;
    default:
        return english;
    }
}

} // namespace tessarim
