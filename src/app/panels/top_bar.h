#pragma once
// The bar above the video: the timecode box `CurrentEdit`, the duration label `DureeLab`, the
// volume gauge `gaugeVolume` (per cent) and the size label `labTaille`.
//
// The timecode box reports the user's entry: timecodeEditEntered() when it takes the focus,
// timecodeEntered(text) on Enter, timecodeEditLeft(text) when it loses the focus. Every focus-in
// enters the box, also the one that comes with activating the window by a click into it; a
// focus change caused by another window or a pop-up menu is not counted as leaving (the box
// stays "entered" until the user really moves elsewhere). setTimecode() never emits. User-interface
// thread only.

#include <QWidget>

class QLabel;
class QLineEdit;

namespace sp {

class TElidingLabel;
class TTextGauge;

class TTopBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 20;
    static constexpr int kWidth = 416;

    explicit TTopBar(QWidget* parent = nullptr);

    void setTimecode(const QString& text);
    QString timecode() const;
    bool timecodeHasFocus() const;

    void setDurationText(const QString& text);
    QString durationText() const;
    void setDurationHint(const QString& hint);

    void setVolumePercent(int percent); // clamped to 0..100
    int volumePercent() const;
    void setVolumeVisible(bool visible);
    bool volumeVisible() const;
    TTextGauge* volumeGauge() const { return volume_; }

    void setSizeText(const QString& text);
    QString sizeText() const;
    void setSizeVisible(bool visible);
    bool sizeVisible() const;

signals:
    void timecodeEditEntered();
    void timecodeEntered(const QString& text);
    void timecodeEditLeft(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QLabel* duration_;
    TTextGauge* volume_;
    TElidingLabel* size_;
    bool entered_ = false;
};

} // namespace sp
