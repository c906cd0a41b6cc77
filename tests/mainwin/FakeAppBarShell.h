#pragma once
// A desktop shell in memory: a 1024 x 768 screen, other bars given by the test,
// and a record of what the bar asked for.
#include "platform/AppBarShell.h"

#include <array>

namespace tessarim::test {

class FakeAppBarShell : public AppBarShell {
public:
    enum Owner { Nobody, Us, Another };

    ShellMetrics metrics;
    // Thickness of other bars at each edge, which QueryPos keeps clear of.
    std::array<int, 4> otherBars{};
    std::array<Owner, 4> autoHideOwner{};
    mutable std::uint64_t now = 0; // every look at the clock advances it by 50 ms

    bool registered = false;
    TAppBarEdge reservedEdge = abeUnknown;
    Rect reserved;
    bool topmost = false;
    bool floatingFrame = true;
    bool taskbarEntry = true;
    int activations = 0;

    Rect ScreenRect() const override { return {0, 0, 1024, 768}; }
    Rect WorkArea() const override { return {0, 0, 1024, 738}; } // a 30-pixel panel below
    ShellMetrics Metrics() const override { return metrics; }
    std::uint64_t TickCount() const override { return now += 50; }

    void Register() override { registered = true; }
    void Remove() override {
        registered = false;
        SetPos(abeUnknown, {});
    }
    Rect QueryPos(TAppBarEdge edge, Rect r) override {
        int* const sides[] = {&r.left, &r.top, &r.right, &r.bottom};
        *sides[edge] += edge < abeRight ? otherBars[edge] : -otherBars[edge];
        return r;
    }
    Rect SetPos(TAppBarEdge edge, Rect rect) override {
        reservedEdge = rect.IsEmpty() ? abeUnknown : edge;
        reserved = rect.IsEmpty() ? Rect{} : rect;
        return rect;
    }
    bool IsAutoHideBar(TAppBarEdge edge) override { return autoHideOwner[edge] == Us; }
    bool SetAutoHideBar(TAppBarEdge edge, bool on) override {
        Owner& owner = autoHideOwner[edge];
        if (owner == Another) return !on;
        owner = on ? Us : Nobody;
        return true;
    }
    void SetTopmost(bool on) override { topmost = on; }
    void SetFloatingFrame(bool floating) override { floatingFrame = floating; }
    void SetTaskbarEntry(bool shown) override { taskbarEntry = shown; }
    void Activate() override { ++activations; }
};

} // namespace tessarim::test
