#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QColor>
#include <QFont>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSize>
#include <QString>

#include <optional>

class QStyleOptionButton;

namespace zumivok {

// Shows the busy cursor while a command that reads or writes the data file
// runs: on a large catalogue that can take a while.
class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    Q_DISABLE_COPY_MOVE(BusyCursor)
};

// Makes screen readers meet every widget of class Widget in role, where
// Qt would give it a plainer one. The factory is installed once.
template <typename Widget, QAccessible::Role role>
void presentAs()
{
    static const bool installed = [] {
        QAccessible::installFactory(
            [](const QString &className, QObject *object) -> QAccessibleInterface * {
                if (!object || !object->isWidgetType()
                    || className != QLatin1String(Widget::staticMetaObject.className()))
                    return nullptr;
                return new QAccessibleWidget(static_cast<QWidget *>(object), role);
            });
        return true;
    }();
    Q_UNUSED(installed);
}

// What work gives, with the busy cursor shown while it runs.
template <typename Work>
auto whileBusy(Work work)
{
    const BusyCursor busy;
    return work();
}

inline const QColor kRed{255, 0, 0};
inline const QColor kCyan{0, 255, 255};
inline const QColor kYellow{255, 255, 0};
inline const QColor kWhite{255, 255, 255};

// The contrast ratio of two colours as WCAG 2 measures it: from 1, the same
// lightness, to 21, black on white.
double contrastRatio(const QColor &a, const QColor &b);

// The least contrast at which WCAG 2 AA counts text of normal size readable.
inline constexpr double kReadableContrast = 4.5;
// The least contrast at which WCAG 2 counts a mark such as a focus frame visible.
inline constexpr double kFocusMarkContrast = 3.0;

// palette with role drawn black in every colour group where the palette's
// own colour would not be readable on background: the faces and the red are
// fixed, and a dark theme's light text on them would all but vanish.
QPalette readableOn(QPalette palette, QPalette::ColorRole role, const QColor &background);

// What of a caption must fit its room: all of it, or only its line height
// (a text that may run on past the right edge).
enum class Fit { Whole, Height };

// The font, reduced just enough, in which text fits room; nothing when font
// itself fits. The layout is fixed, so a font larger than the design's
// shrinks its captions instead of cutting them off.
std::optional<QFont> reducedToFit(const QFont &font, const QString &text, const QSize &room,
                                  Fit fit = Fit::Whole);

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
// text colour (black where that colour would not be readable on the face),
// with a plain bevelled frame instead of the style's gradient. A caption too
// wide or too tall for the face is drawn in a font reduced to fit; the
// button's own font and text stay as they are. Its focus mark is a line in
// the caption's colour, which stands out on any face.
class SolidButton : public QPushButton
{
    Q_OBJECT
public:
    SolidButton(const QString &caption, const QColor &face, QWidget *parent = nullptr);
    QColor face() const { return m_face; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSize captionRoom(const QStyleOptionButton &option) const;

    QColor m_face;
};

// A one-line plain-text label whose caption is drawn in a font reduced to fit
// the label where it would be cut off; its own font and text stay as they are.
// With Fit::Height a long caption may run past the right edge, never past the
// top or bottom. The caption takes the normal text colour, or black where that
// colour would not be readable on the label's background.
class CaptionLabel : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CaptionLabel)

public:
    CaptionLabel(const QString &caption, Fit fit, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Fit m_fit;
};

// A one-line text box whose text is never cut at the top or bottom: where
// the inherited font's line is taller than the box's inside, the box takes a
// font reduced just enough; otherwise it sets no font of its own.
class LineBox : public QLineEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineBox)

public:
    explicit LineBox(const QString &text = QString(), QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitFont();
};

// A picture box: a single border around a white inside, with the picture drawn
// unscaled at the inside's top-left corner and clipped to it. On a screen
// scaled up (device pixel ratio above 1) the picture is smoothed, not blocky.
// Screen readers meet it as a picture, not as a frame. While it has the
// keyboard focus, a frame in the highlight colour (black where that is too
// pale on white) runs just inside its border.
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

// Gives a window of fixed layout its size and a frame that offers no
// maximise, which would only show more red around the same controls.
void fixWindowSize(QWidget *window, const QSize &size);

// Gives a label a solid background of the given colour. Not for windows:
// their controls would inherit the colour into scroll bars and frames.
void paintBackground(QWidget *widget, const QColor &colour);

// Fills a window's background; called from the window's paintEvent, so that
// its controls keep the application's colours.
void fillBackground(QWidget *window, const QColor &colour);

} // namespace zumivok
