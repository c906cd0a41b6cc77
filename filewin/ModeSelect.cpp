#include "filewin/ModeSelect.h"

#include "filewin/FileConTexts.h"

namespace tessarim {

ModeSelect::ModeSelect(Code defaultTarget, Face defaultFace, bool unicodeAvailable)
    : defaultTarget_(defaultTarget), unicodeAvailable_(unicodeAvailable),
      otherTarget_(defaultTarget), otherFace_(defaultFace) {}

std::string ModeSelect::OtherCaption(std::int64_t lang) const {
    return std::string(CodeName(otherSource_)) + " > " + CodeName(otherTarget_) +
           FaceName(FileConTextsFor(lang), otherFace_);
}

void ModeSelect::ClickSimple(SimpleMode mode) {
    simple_ = mode;
    // A names-only run reads which radio is checked; the codes stay.
    if (!namesOnly_) {
        switch (mode) {
        case SimpleMode::GbToBig5:
            source_ = GBK, target_ = BIG5, face_ = FaceT;
            break;
        case SimpleMode::Big5ToGb:
            source_ = BIG5, target_ = GBK, face_ = FaceS;
            break;
        case SimpleMode::Other:
            source_ = otherSource_, target_ = otherTarget_, face_ = otherFace_;
            break;
        }
    }
    Notify();
}

void ModeSelect::ClickInput(Code code) {
    source_ = inputRadio_ = code;
    ClickOutput(target_);
}

void ModeSelect::ClickOutput(Code code) {
    target_ = outputRadio_ = code;
    // Big5 output is always Traditional; GBK output Simplified unless changed.
    simpEnabled_ = target_ != BIG5;
    if (target_ == BIG5)
        ClickFace(false, true);
    else if (target_ == GBK)
        ClickFace(true, true);
    else {
        simpChecked_ = tradChecked_ = false;
        face_ = FaceD;
        Notify();
    }
}

void ModeSelect::ClickFace(bool simplified, bool checked) {
    (simplified ? simpChecked_ : tradChecked_) = checked;
    if (checked) (simplified ? tradChecked_ : simpChecked_) = false;
    face_ = simpChecked_ ? FaceS : tradChecked_ ? FaceT : FaceD;
    Notify();
}

void ModeSelect::ShowAdvanced() {
    // Showing the form shows the mode; it does not change it.
    advanced_ = true;
    inputRadio_ = source_;
    if (target_ <= BIG5) outputRadio_ = target_;
    simpEnabled_ = target_ != BIG5;
    simpChecked_ = face_ == FaceS;
    tradChecked_ = face_ == FaceT;
    Notify();
}

void ModeSelect::HideAdvanced() {
    advanced_ = false;
    if (source_ == GBK && target_ == BIG5 && face_ == FaceT)
        ClickSimple(SimpleMode::GbToBig5);
    else if (source_ == BIG5 && target_ == GBK && face_ == FaceS)
        ClickSimple(SimpleMode::Big5ToGb);
    else {
        otherSource_ = source_, otherTarget_ = target_, otherFace_ = face_;
        ClickSimple(SimpleMode::Other);
    }
}

void ModeSelect::ApplyDetectedCode(Code detected) {
    const bool otherChecked = simple_ == SimpleMode::Other;
    // Checking a radio that is checked already is no click: the window would
    // otherwise draw the preview again for each preview it draws, forever.
    const auto checkInput = [this](Code code) {
        if (inputRadio_ != code) ClickInput(code);
    };
    const auto checkSimple = [this](SimpleMode mode) {
        if (simple_ != mode) ClickSimple(mode);
    };
    if (detected <= UTF8) {
        if (advanced_) checkInput(detected);
    } else if (detected == GBK || detected == BIG5) {
        if (advanced_)
            checkInput(detected);
        else if (!(otherChecked && source_ == detected))
            checkSimple(detected == GBK ? SimpleMode::GbToBig5 : SimpleMode::Big5ToGb);
    } else if (detected == Undetermined) {
        // An undetermined file is taken for GBK rather than Unicode.
        if (advanced_ && inputRadio_ <= UTF8)
            ClickInput(GBK);
        else if (!advanced_ && otherChecked && source_ <= UTF8)
            ClickSimple(SimpleMode::GbToBig5);
    }
    if (detected <= UTF8 && unicodeAvailable_ && !advanced_ && detected != source_) {
        target_ = detected == otherSource_ ? otherTarget_ : defaultTarget_;
        source_ = detected;
        face_ = otherFace_ = defaultTarget_ == GBK ? FaceS : FaceT;
        otherSource_ = source_, otherTarget_ = target_;
        simple_ = SimpleMode::Other;
        Notify();
    }
}

} // namespace tessarim
