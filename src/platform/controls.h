#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>

namespace zumivok {

inline const QColor kRed{255, 0, 0};
inline const QColor kCyan{0, 255, 255};
inline const QColor kYellow{255, 255, 0};
inline const QColor kWhite{255, 255, 255};

// A multi-line text box whose text reads back exactly as the program set it
// (CR LF pairs, a lone LF, a no-break space) until the user edits it; after an
// edit every line break reads back as CR LF. QPlainTextEdit alone would turn
// CR LF into LF and a no-break space into a blank.
class TextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

    void setText(const QString &text);
    QString text() const;
    // Whether the user has changed the text since the program last set it.
    bool editedByUser() const { return !m_exactValid; }

private:
    QString m_exact;
    bool m_exactValid = true;
    bool m_settingText = false;
};

// A button filled with a solid face colour, its caption in the normal button
// text colour, with a plain bevelled frame instead of the style's gradient.
class SolidButton : public QPushButton
{
    Q_OBJECT
public:
    SolidButton(const QString &caption, const QColor &face, QWidget *parent = nullptr);
    QColor face() const { return m_face; }

private:
    QColor m_face;
};

// A picture box: a single border around a white inside, with the picture drawn
// unscaled at the inside's top-left corner and clipped to it.
class PictureBox : public QFrame
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setPicture(const QImage &picture);
    void clearPicture() { setPicture(QImage()); }
    const QImage &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
};

// Gives a label a solid background of the given colour. Not for windows:
// their controls would inherit the colour into scroll bars and frames.
void paintBackground(QWidget *widget, const QColor &colour);

// Fills a window's background; called from the window's paintEvent, so that
// its controls keep the application's colours.
void fillBackground(QWidget *window, const QColor &colour);

} // namespace zumivok
