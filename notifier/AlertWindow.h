#pragma once

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QTextDocument>
#include <QTimer>
#include <QWidget>

#include <optional>

class QToolButton;

// The message of the alert: a little HTML (b, br, a with href) drawn on the alert, its
// links highlighted under the pointer and reported when clicked. Screen readers read it
// as static text whose name is the message.
class AlertText : public QWidget
{
    Q_OBJECT

public:
    explicit AlertText(QWidget *parent = nullptr);

    void setHtml(const QString &html);
    QString plainText() const { return m_document.toPlainText(); }

    // Colours of the text, of a link, and of the link under the pointer.
    void setColors(const QColor &text, const QColor &link, const QColor &hoveredLink);
    void setHoverEnabled(bool enabled);
    void setTextFont(const QFont &font);

    // Lays the message out and returns the size it needs: unwrapped, or wrapped at
    // maxWidth when it would be wider (no limit when maxWidth is not positive).
    QSize fittedSize(int maxWidth = -1);

    // The link under the pointer ("" when none), and where a link is drawn.
    QString hoveredAnchor() const { return m_hovered; }
    QRect anchorRect(const QString &href) const;
    QColor anchorColor(const QString &href) const;

signals:
    void anchorClicked(const QString &href);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QString anchorAt(const QPointF &position) const;
    void setHovered(const QString &href);
    void colorAnchor(const QString &href, const QColor &color);
    void rebuild();

    QTextDocument m_document;
    QString m_html;
    QColor m_text = Qt::black;
    QColor m_link = Qt::blue;
    QColor m_hoveredLink = Qt::red;
    bool m_hover = true;
    QString m_hovered;
    QString m_pressed;
};

// The notifier's alert: a small window that fades in at the bottom-right corner of the
// work area, shows one message with a picture, and fades out again after a while unless
// the pointer rests on it. It stays above other windows but never takes the focus, so
// whatever the user is typing goes on undisturbed. It can be dragged by a thin strip
// along its top; later alerts of the run appear where it was dropped.
class AlertWindow : public QWidget
{
    Q_OBJECT

public:
    enum class State
    {
        Hidden,
        FadingIn,
        Shown,
        FadingOut,
    };
    Q_ENUM(State)

    static constexpr int StripHeight = 6; // the drag strip along the top edge
    static constexpr QPoint PicturePosition {5, 16};
    static constexpr int PictureSide = 32;
    static constexpr int CountdownTick = 100; // ms
    static constexpr int FullOpacity = 255; // under the pointer
    static constexpr int RightGap = 2; // between the alert and the work area's right edge

    explicit AlertWindow(QWidget *parent = nullptr);
    ~AlertWindow() override;

    // Settings, as the notifier gives them.
    void setAutoHide(bool autoHide);
    bool autoHide() const { return m_autoHide; }
    void setDisplayTime(int milliseconds) { m_displayTime = milliseconds; }
    int displayTime() const { return m_displayTime; }
    void setAlpha(int start, int end);
    int alphaStart() const { return m_alphaStart; }
    int alphaEnd() const { return m_alphaEnd; }
    void setFade(int step, int milliseconds);
    int fadeStep() const { return m_fadeStep; }
    int fadeTime() const { return m_fadeTime; }
    void setPopupSize(const QSize &size);
    void setMargins(int x, int y);
    void setHover(bool hover);
    void setCloseButtonHint(const QString &hint);
    void setMessageFont(const QFont &font);
    void setImages(const QList<QPixmap> &images);

    // The message list. The alert shows its first message.
    void clearMessages();
    void addMessage(const QString &html, int imageIndex = 0);
    QString message() const { return m_messages.isEmpty() ? QString() : m_messages.first().html; }
    QString messageText() const; // as shown, "" before the first show

    // Fades in; when already on screen, shows the new text in place instead (one that
    // is fading out fades in again).
    void showAlert();
    // Closes at once: a fade under way stops, and nothing fades out.
    void closeAlert();

    State state() const { return m_state; }
    int alpha() const { return m_alpha; }
    // Time counted towards auto-hide since the alert was fully shown (or the pointer left).
    int countdownElapsed() const { return m_countdownElapsed; }
    bool isCountingDown() const { return m_countdown.isActive(); }
    bool isFading() const { return m_fade.isActive(); }
    QColor backgroundColor() const { return m_background; }

signals:
    void anchorClick(const QString &anchor);
    void alphaChanged(int alpha);
    void stateChanged(AlertWindow::State state);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct Message
    {
        QString html;
        int imageIndex;
    };

    void fadeStepped();
    void countdownTicked();
    void restartCountdown();
    void setState(State state);
    void setAlphaLevel(int alpha);
    void build();
    void adaptToTheme();
    void fitToMessage();
    void place();
    void layoutChildren();

    QList<Message> m_messages;
    QList<QPixmap> m_images;
    // Made the first time the alert shows: a notifier that never has news never pays for them.
    AlertText *m_text = nullptr;
    QToolButton *m_close = nullptr;
    bool m_hover = true;
    QString m_closeHint;
    QFont m_font;
    QTimer m_fade;
    QTimer m_countdown;

    State m_state = State::Hidden;
    bool m_autoHide = true;
    int m_displayTime = 10000;
    int m_alphaStart = 0;
    int m_alphaEnd = 220;
    int m_fadeStep = 2;
    int m_fadeTime = 10;
    int m_marginX = 4;
    int m_marginY = 4;
    int m_alpha = 0;
    int m_countdownElapsed = 0;
    bool m_hovered = false;

    bool m_dragging = false;
    QPoint m_dragOffset;
    std::optional<QPoint> m_dropPoint;

    QColor m_background;
    QColor m_backgroundEnd;
    QColor m_border;
    QColor m_strip;
};
