#pragma once
// The receive views' vertical bar. A view's range grows at every append;
// once the handle is as small as it gets and sits at the end, nothing of
// the bar changes on screen, and the style's gradients are not painted
// again for it.

#include <QElapsedTimer>
#include <QRect>
#include <QScrollBar>
#include <QTimer>

namespace dialog::qt {

class QuietScrollBar : public QScrollBar {
public:
    explicit QuietScrollBar(QWidget* parent);

protected:
    void sliderChange(SliderChange change) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateIfChanged();

    static constexpr qint64 kFollowMs = 200;
    static constexpr qint64 kLastLookMs = 50; // longer than a frame
    QRect shownHandle_;
    int shownEnds_ = -1;
    bool checkPending_ = false;
    QElapsedTimer shownAt_;
    QTimer followLater_;
};

} // namespace dialog::qt
