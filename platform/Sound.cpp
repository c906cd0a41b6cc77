#include "platform/Sound.h"

#include <QApplication>
#include <canberra.h>
#include <filesystem>

namespace tessarim {

SystemSound::~SystemSound() {
    if (context_) ca_context_destroy(context_);
}

void SystemSound::MessageBeep() {
    QApplication::beep();
}

bool SystemSound::PlayWaveFile(const std::string& path) {
    // The context is made on first use: it reaches for the sound server.
    if (!context_ && ca_context_create(&context_) != CA_SUCCESS) {
        context_ = nullptr;
        return false;
    }
    return ca_context_play(context_, 0, CA_PROP_MEDIA_FILENAME, path.c_str(), nullptr) ==
           CA_SUCCESS;
}

void PlayDoneSound(Sound& sound, bool enabled, const std::string& waveFile) {
    if (!enabled) return;
    std::error_code error;
    if (!waveFile.empty() && std::filesystem::is_regular_file(waveFile, error) &&
        sound.PlayWaveFile(waveFile))
        return;
    sound.MessageBeep();
}

} // namespace tessarim
