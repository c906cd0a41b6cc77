#pragma once
// The about box: the program's name, version and what it does, an animated
// picture, OK, and Help at the main help topic.
#include <QDialog>
#include <QTimer>
#include <cstdint>

namespace tessarim {

class HelpViewer;

// A card that keeps turning over, Simplified on one face and Traditional on the
// other, through a few characters that differ between the two.
class AnimatedPicture : public QWidget {
    Q_OBJECT
public:
    explicit AnimatedPicture(QWidget* parent = nullptr);
    // Milliseconds into the animation; one character pair per turn.
    void SetTime(int milliseconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer timer_;
    int time_ = 0;
};

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(std::int64_t lang, int charset, HelpViewer& help, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    HelpViewer& help_;
    int helpBase_;
};

} // namespace tessarim
