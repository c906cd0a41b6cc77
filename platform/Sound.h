#pragma once
// The completion sound: the desktop's beep, or a .wav file of the user's choice.
#include <string>

typedef struct ca_context ca_context;

namespace tessarim {

class Sound {
public:
    virtual ~Sound() = default;
    virtual void MessageBeep() = 0;
    // Starts playing a .wav file and returns at once; false when it cannot be played.
    virtual bool PlayWaveFile(const std::string& path) = 0;
};

// The beep of the display; .wav files through libcanberra.
class SystemSound : public Sound {
public:
    SystemSound() = default;
    ~SystemSound() override;
    SystemSound(const SystemSound&) = delete;
    SystemSound& operator=(const SystemSound&) = delete;
    void MessageBeep() override;
    bool PlayWaveFile(const std::string& path) override;

private:
    ca_context* context_ = nullptr;
};

// `PlayDoneSound`: when sound is on, the wave file if there is one that plays,
// otherwise the beep.
void PlayDoneSound(Sound& sound, bool enabled, const std::string& waveFile);

} // namespace tessarim
