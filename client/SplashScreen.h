#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

// The start-up picture with the program's version on it, also shown again as the
// version window. It fades in and out, stays on top, never takes the focus, and
// closes when clicked or when the window it waits for is shown.
class SplashScreen : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize PictureSize {538, 138};
    static constexpr QPoint VersionPosition {190, 105};

    explicit SplashScreen(QWidget *parent = nullptr);

    void setVersionText(const QString &text);
    QString versionText() const { return m_versionText; }

    // Shows and fades in; nothing while already on screen.
    void showSplash();
    // Fades out and closes; nothing while not on screen.
    void hideSplash();
    bool isShowing() const { return m_showing; }

    // Closes (fading) the next time `window` is shown.
    void closeWhenShown(QWidget *window);

    // Opacity in 0..255, as the fade steps it.
    int fadeLevel() const { return m_level; }

signals:
    void clicked();
    void closed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step();
    void applyLevel();

    QString m_versionText;
    QTimer m_fade;
    int m_level = 0;
    bool m_showing = false;
    bool m_fadingOut = false;
    QWidget *m_waitFor = nullptr;
};
