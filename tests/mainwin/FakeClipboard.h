#pragma once
// Stand-ins for what the clipboard commands use of the desktop: a clipboard of
// format blocks that records every change, a user who answers questions, and
// recorders of the sound, the busy cursor and the paste.
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/ForegroundPaste.h"
#include "platform/Sound.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace tessarim::test {

// Holds exactly the formats written, derives none.
class FakeClipboard : public Clipboard {
public:
    static constexpr unsigned HtmlFormat = 0xC0DE;
    std::map<unsigned, std::string> formats;
    int changes = 0; // sessions that published
    // Called after each change, as the desktop tells of every change.
    std::function<void()> onChange;

    unsigned RegisterClipboardFormat(std::string_view name) override {
        EXPECT_EQ(name, HtmlFormatName);
        return HtmlFormat;
    }
    bool IsClipboardFormatAvailable(unsigned format) override { return formats.count(format) > 0; }
    void OpenClipboard() override {
        if (depth_++ > 0) return;
        emptied_ = false;
        pending_.clear();
    }
    void CloseClipboard() override {
        ASSERT_GT(depth_, 0) << "closed more often than opened";
        if (--depth_ > 0 || (!emptied_ && pending_.empty())) return;
        formats = pending_;
        ++changes;
        if (onChange) onChange();
    }
    void EmptyClipboard() override {
        EXPECT_GT(depth_, 0) << "emptied while closed";
        emptied_ = true;
        pending_.clear();
    }
    std::optional<std::string> GetClipboardData(unsigned format) override {
        EXPECT_GT(depth_, 0) << "read while closed";
        const auto found = formats.find(format);
        if (found == formats.end()) return std::nullopt;
        return found->second;
    }
    void SetClipboardData(unsigned format, std::string_view block) override {
        EXPECT_GT(depth_, 0) << "written while closed";
        pending_[format] = std::string(block);
    }
    // The formats as the commands leave them: text up to the terminator.
    void SetAnsi(const std::string& bytes) { formats[CF_TEXT] = bytes + '\0'; }
    void SetUnicode(std::u16string_view text) { formats[CF_UNICODETEXT] = UnicodeTextBlock(text); }
    void SetHtml(const std::string& block) { formats[HtmlFormat] = block + '\0'; }
    std::string Ansi() const { return Text(CF_TEXT); }
    std::u16string Unicode() const {
        const auto found = formats.find(CF_UNICODETEXT);
        return found == formats.end() ? u"" : UnicodeTextOfBlock(found->second);
    }
    std::string Html() const { return Text(HtmlFormat); }
    std::vector<unsigned> Formats() const {
        std::vector<unsigned> ids;
        for (const auto& [format, block] : formats)
            ids.push_back(format);
        return ids;
    }

private:
    std::string Text(unsigned format) const {
        const auto found = formats.find(format);
        if (found == formats.end()) return "<absent>";
        const std::string& block = found->second;
        EXPECT_FALSE(block.empty() || block.back() != '\0')
            << "a text block ends in its terminator";
        return block.substr(0, block.find('\0'));
    }

    int depth_ = 0;
    bool emptied_ = false;
    std::map<unsigned, std::string> pending_;
};

class FakeDialogs : public Dialogs {
public:
    bool answer = true;
    std::vector<std::string> questions;
    std::function<void()> whileAsking; // the user thinks
    int busy = 0;
    int busyShown = 0;

    bool AskYesNo(std::string_view text) override {
        questions.emplace_back(text);
        if (whileAsking) whileAsking();
        return answer;
    }
    void BeginBusy() override {
        ++busy;
        ++busyShown;
    }
    void EndBusy() override { --busy; }
};

class FakeSound : public Sound {
public:
    bool plays = true;
    int beeps = 0;
    std::vector<std::string> played;

    void MessageBeep() override { ++beeps; }
    bool PlayWaveFile(const std::string& path) override {
        played.push_back(path);
        return plays;
    }
};

class FakePaste : public ForegroundPaste {
public:
    int pastes = 0;
    void PasteToForeground() override { ++pastes; }
};

} // namespace tessarim::test
