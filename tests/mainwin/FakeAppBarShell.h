#pragma once
// A desktop shell in memory: a 1024 x 768 screen, other bars given by the test,
// and a record of what the bar asked for.
#include "platform/AppBarShell.h"

#include <array>

namespace tessarim::test {

class FakeAppBarShell : public AppBarShell {
public:
    enum Owner { Nobody, Us, Another };

    Rect screen{0, 0, 1024, 768};
    Rect workArea{0, 0, 1024, 738}; // a 30-pixel panel at the bottom
    ShellMetrics metrics;
    // Thickness of other bars at each edge, which QueryPos keeps clear of.
    std::array<int, 4> otherBars{};
    std::array<Owner, 4> autoHideOwner{};
    mutable std::uint64_t now = 0;
    std::uint64_t tickStep = 50; // every look at the clock advances it

    bool registered = false;
    TAppBarEdge reservedEdge = abeUnknown;
    Rect reserved;
    bool topmost = false;
    bool floatingFrame = true;
    bool taskbarEntry = true;

    Rect ScreenRect() const override { return screen; }
    Rect WorkArea() const override { return workArea; }
    ShellMetrics Metrics() const override { return metrics; }
    std::uint64_t TickCount() const override { return now += tickStep; }

    void Register() override { registered = true; }
    void Remove() override {
        registered = false;
        reserved = {};
        reservedEdge = abeUnknown;
    }
    Rect QueryPos(TAppBarEdge edge, Rect proposed) override {
        switch (edge) {
        case abeLeft:
            proposed.left += otherBars[0];
            break;
        case abeTop:
            proposed.top += otherBars[1];
            break;
        case abeRight:
            proposed.right -= otherBars[2];
            break;
        case abeBottom:
            proposed.bottom -= otherBars[3];
            break;
        default:
            break;
        }
        return proposed;
    }
    Rect SetPos(TAppBarEdge edge, Rect rect) override {
        reservedEdge = rect.IsEmpty() ? abeUnknown : edge;
        reserved = rect.IsEmpty() ? Rect{} : rect;
        return rect;
    }
    bool IsAutoHideBar(TAppBarEdge edge) override { return autoHideOwner[edge] == Us; }
    bool SetAutoHideBar(TAppBarEdge edge, bool on) override {
        Owner& owner = autoHideOwner[edge];
        if (!on) {
            if (owner == Us) owner = Nobody;
            return true;
        }
        if (owner == Another) return false;
        owner = Us;
        return true;
    }
    void SetTopmost(bool on) override { topmost = on; }
    void SetFloatingFrame(bool floating) override { floatingFrame = floating; }
    void SetTaskbarEntry(bool shown) override { taskbarEntry = shown; }

    void Tell(ShellNotice notice, bool value) { Notify(notice, value); }
};

} // namespace tessarim::test
