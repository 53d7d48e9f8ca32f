#pragma once

#include <QAbstractButton>
#include <QString>

// A button drawn from pictures alone: normal, under the pointer, pressed and disabled.
// The pictures are SVG, drawn at the screen's pixel density so they stay crisp. A
// picture-only button always carries a Japanese tooltip and accessible name.
class ImageButton : public QAbstractButton
{
    Q_OBJECT

public:
    // `base` names the pictures ":/assets/<base>-normal.svg", "-hover", "-pressed" and
    // "-disabled"; with plainNormal the normal picture is ":/assets/<base>.svg" and a
    // missing disabled picture is drawn as a faded normal one.
    ImageButton(const QString &base, const QSize &size, const QString &name, QWidget *parent = nullptr,
                bool plainNormal = false);

    QSize sizeHint() const override { return m_size; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QString picture(const char *state) const;

    QString m_base;
    QSize m_size;
    bool m_plainNormal;
    bool m_hovered = false;
};
