#pragma once
// Stand-ins for the desktop the tools use: a grabber that refuses what
// another program is said to hold, a keyboard that records, a window list.
#include "platform/HotKeys.h"
#include "platform/KeySynth.h"
#include "platform/Windows.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tessarim::test {

// One program folder for the whole test program, chosen before anything asks.
inline const std::string& ToolsIniPath() {
    static const TempFolder home;
    static const std::string path =
        (::setenv("TESSARIM_HOME", home.Dir().c_str(), 1), home.Dir() + "Tessarim.ini");
    return path;
}

class FakeGrabber : public HotKeyGrabber {
public:
    bool Register(int id, std::uint8_t modifiers, std::uint32_t keysym) override {
        if (heldElsewhere.count({modifiers, keysym})) return false;
        active[id] = {modifiers, keysym};
        return true;
    }
    void Unregister(int id) override { active.erase(id); }
    void Press(int id) {
        if (active.count(id) && OnHotKey) OnHotKey(id);
    }

    std::set<std::pair<std::uint8_t, std::uint32_t>> heldElsewhere;
    std::map<int, std::pair<std::uint8_t, std::uint32_t>> active;
};

// Records "+sym" for a press, "-sym" for a release (sym in hex), and typed text.
class FakeSynth : public KeySynth {
public:
    bool NeedsShift(std::uint32_t keysym) override {
        return (keysym >= 'A' && keysym <= 'Z') || keysym == '!' || keysym == ':';
    }
    void Key(std::uint32_t keysym, bool press) override {
        char text[16];
        std::snprintf(text, sizeof text, "%c%x", press ? '+' : '-', keysym);
        events.push_back(text);
    }
    void Type(std::u32string_view text) override { typed += text; }

    std::vector<std::string> events;
    std::u32string typed;
};

class FakeWindows : public DesktopWindows {
public:
    std::vector<DesktopWindow> List() override { return windows; }
    bool Exists(WindowId window) override {
        for (const DesktopWindow& w : windows)
            if (w.id == window) return true;
        return false;
    }
    bool Activate(WindowId window) override {
        activated.push_back(window);
        return takesFocus && Exists(window);
    }

    std::vector<DesktopWindow> windows;
    std::vector<WindowId> activated;
    bool takesFocus = true;
};

} // namespace tessarim::test
