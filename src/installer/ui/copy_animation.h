#pragma once

#include <QTimer>
#include <QWidget>

namespace tavox {

// The copy-files animation of the unpack dialog: sheets of paper fly from an open folder on the left into a
// folder on the right, on black. It loops over its frames while running and holds its frame when stopped.
class CopyAnimation : public QWidget {
public:
    static constexpr int kStopFrame = 34; // the last frame; the loop starts again after it
    static constexpr int kFrameIntervalMs = 66;

    explicit CopyAnimation(QWidget* parent);

    void Start();
    void Stop();
    bool Active() const { return timer_.isActive(); }
    int Frame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void NextFrame();

    QTimer timer_;
    int frame_ = 0;
};

} // namespace tavox
