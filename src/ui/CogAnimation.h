#pragma once

#include <QWidget>

class QTimer;

// The busy cog of the start screen, drawn rather than played from a video file: a toothed
// wheel that turns while the start screen waits for the kiosk.
class CogAnimation : public QWidget {
    Q_OBJECT
public:
    explicit CogAnimation(QWidget* parent = nullptr);

    void play();
    void stop();
    bool isPlaying() const;
    qreal angle() const { return m_angle; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void advance();

    QTimer* m_timer;
    qreal m_angle = 0;
};
