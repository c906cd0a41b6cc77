#pragma once
// Stand-ins for the tray icon and the help viewer that record what they were asked.
#include "platform/Help.h"
#include "platform/Tray.h"

#include <vector>

namespace tessarim::test {

class FakeTray : public TrayIcon {
public:
    bool available = true;
    bool shown = false;
    QString hint;
    QMenu* menu = nullptr;

    bool Available() const override { return available; }
    void Show(const QIcon&, const QString& text, QMenu* popup) override {
        shown = true;
        hint = text;
        menu = popup;
    }
    void SetHint(const QString& text) override { hint = text; }
};

class RecordingHelp : public HelpViewer {
public:
    std::vector<int> contexts;
    void ShowContext(int context) override { contexts.push_back(context); }
};

} // namespace tessarim::test
