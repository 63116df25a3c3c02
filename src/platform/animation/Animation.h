#pragma once

#include <memory>

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace platform {

class AviReader;

// Plays a silent AVI clip in a loop, the way the classic animation control does with
// its auto-play setting: from the moment the clip is opened, at the clip's own frame
// rate, centred in the widget. The colour of the first frame's top-left pixel is the
// clip's background and is left out, so the window's own colour shows through.
// The timer runs only while the widget is visible.
class Animation : public QWidget
{
    Q_OBJECT

public:
    explicit Animation(QWidget *parent = nullptr);
    ~Animation() override;

    // Opens the clip and starts playing it. A clip that cannot be read leaves the
    // widget empty and returns false with the file and the reason in *error.
    bool open(const QString &path, QString *error = nullptr);
    // Stops and forgets the clip; unlike QWidget::close() it leaves the window alone.
    void close();
    // Plays the open clip again after stop(), while the widget is visible.
    void play();
    // Holds the clip at its current frame until play() or the next open().
    void stop();

    bool isOpen() const;
    bool isPlaying() const;
    int currentFrame() const;
    int frameCount() const;
    // Milliseconds between frames, taken from the clip.
    int frameInterval() const { return m_timer.interval(); }

    QSize sizeHint() const override;

public slots:
    // Shows the next frame, going from the last back to the first. The timer calls it;
    // tests call it to step the clip.
    void advanceFrame();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showFrame(int index);

    std::unique_ptr<platform::AviReader> m_reader;
    QTimer m_timer;
    QImage m_image;
    int m_current = 0;
    quint32 m_background = 0;
    bool m_stopped = false;
};

} // namespace platform
