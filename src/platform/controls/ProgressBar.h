#pragma once

#include <QWidget>

namespace platform {

// A progress bar that looks the same under every Qt style: either one continuous
// fill or the classic row of separate blocks, on a background given as an OLE
// colour code (so the two Windows system colours work as they do on the pages).
// Initial look: range 0..100, value 0, blocks, no border, button-face background
// (the "standard" look of the installer).
class ProgressBar : public QWidget
{
    Q_OBJECT

public:
    // OLE colour codes of the two system colours the pages use.
    static constexpr quint32 SystemWindowBackground = 0x80000005; // QPalette::Base
    static constexpr quint32 SystemButtonFace = 0x8000000F;       // QPalette::Button

    explicit ProgressBar(QWidget *parent = nullptr);

    // The value clamped into the current range; a range with max <= min is empty
    // and reads as min.
    int value() const;
    // Stores the value clamped into the current range.
    void setValue(int value);
    // min and max read back exactly as set, even when max < min.
    int min() const { return m_min; }
    void setMin(int min);
    int max() const { return m_max; }
    void setMax(int max);

    bool smooth() const { return m_smooth; }
    void setSmooth(bool smooth);
    // 0 = no border, 1 = single fixed border; other values draw as 1.
    int borderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    // The code as set: one of the two system colours above, otherwise 0x00BBGGRR.
    quint32 backColor() const { return m_backColor; }
    void setBackColor(quint32 oleColor);

    // The colour a code stands for under this widget's palette.
    QColor resolveColor(quint32 oleColor) const;
    // Block width and gap of the standard style for the current height.
    int blockWidth() const;
    static constexpr int BlockGap = 2;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void valueChanged(int value);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect fillArea() const;
    int filledWidth(int areaWidth) const;

    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    bool m_smooth = false;
    int m_borderStyle = 0;
    quint32 m_backColor = SystemButtonFace;
};

} // namespace platform
