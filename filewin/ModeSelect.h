#pragma once
// The conversion mode of the file window, in its two forms: the simple one
// (GBK > Big5, Big5 > GBK, and "Others", the last mode of the advanced form) and
// the advanced one (any input code, any output code, the output glyph). This
// class holds the controls' states as values; the window shows them.
//
// Checking a control from code runs its click handler, as the platform's radio
// buttons do: ApplyDetectedCode checks rb_G1, and rb_G1's handler sets the code.
#include "engine/ConFunc.h"

#include <functional>
#include <string>

namespace tessarim {

enum class SimpleMode { GbToBig5 = 1, Big5ToGb = 2, Other = 3 }; // the radios' tags

class ModeSelect {
public:
    // defaultTarget is GBK or Big5, from the system's code page; unicodeAvailable
    // tells whether both Chinese code pages are there (otherwise only the two
    // GBK/Big5 modes are offered).
    ModeSelect(Code defaultTarget, Face defaultFace, bool unicodeAvailable);

    // The mode a run uses.
    Code SourceCode() const { return source_; }
    Code TargetCode() const { return target_; }
    Face OutputFace() const { return face_; }
    Code DefaultTarget() const { return defaultTarget_; }

    // The controls.
    SimpleMode Simple() const { return simple_; }
    bool AdvancedShown() const { return advanced_; }
    Code InputRadio() const { return inputRadio_; }   // 0..4
    Code OutputRadio() const { return outputRadio_; } // 0..6
    bool SimpChecked() const { return simpChecked_; }
    bool TradChecked() const { return tradChecked_; }
    bool SimpEnabled() const { return simpEnabled_; }
    bool UnicodeAvailable() const { return unicodeAvailable_; }
    // "Unicode-LE > GBK  ( Simp. )": the mode "Others" stands for.
    std::string OtherCaption(std::int64_t lang) const;

    // Names only: the simple radios keep the codes as they are.
    void SetNamesOnly(bool namesOnly) { namesOnly_ = namesOnly; }

    // Click handlers; a check from code goes through them too.
    void ClickSimple(SimpleMode mode);             // rb_GBtoB5Click
    void ClickInput(Code code);                    // rb_G1Click, input radios
    void ClickOutput(Code code);                   // rb_G1Click, output radios
    void ClickFace(bool simplified, bool checked); // rb_SimpChnClick
    void ShowAdvanced();                           // Btn_ShowOptionClick
    void HideAdvanced();                           // btn_hideOptionClick

    // After a file was selected or a list added: follows the code detection
    // found (0..4, or Undetermined).
    void ApplyDetectedCode(Code detected);

    // Called after every change, for the window to show it.
    std::function<void()> Changed;

private:
    void Notify() const {
        if (Changed) Changed();
    }

    Code defaultTarget_;
    bool unicodeAvailable_;
    bool namesOnly_ = false;
    Code source_ = GBK;
    Code target_ = BIG5;
    Face face_ = FaceT;
    Code otherSource_ = ULE;
    Code otherTarget_;
    Face otherFace_;
    SimpleMode simple_ = SimpleMode::GbToBig5;
    bool advanced_ = false;
    Code inputRadio_ = GBK;
    Code outputRadio_ = BIG5;
    bool simpChecked_ = false;
    bool tradChecked_ = true;
    bool simpEnabled_ = false;
};

} // namespace tessarim
