#include "platform/controls.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QStylePainter>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <functional>

namespace zumivok {

BusyCursor::BusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    QApplication::restoreOverrideCursor();
}

TextBox::TextBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    // Any change to the document that the program did not make through
    // setText is the user's: typing, pasting, cutting, undo.
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int, int) {
        if (!m_settingText)
            m_exactValid = false;
    });
}

namespace {

// A document of a million paragraphs takes seconds to build; one of ten
// thousand paragraphs, each a hundred lines parted by line separators, takes a
// moment, and looks, selects and copies the same. Short texts go in as they are.
constexpr qsizetype kLinesPerParagraph = 100;
constexpr qsizetype kManyLines = 10 * kLinesPerParagraph;

// The text as the document is given it. The document breaks lines at CR LF,
// a lone CR and a lone LF alike; a text of many lines gets its breaks
// gathered into paragraphs.
QString forDocument(const QString &text)
{
    if (text.count(QLatin1Char('\n')) + text.count(QLatin1Char('\r')) < kManyLines)
        return text;
    QString gathered;
    gathered.reserve(text.size());
    qsizetype linesInParagraph = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
            gathered.append(c);
            continue;
        }
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        if (++linesInParagraph < kLinesPerParagraph) {
            gathered.append(QChar(QChar::LineSeparator));
        } else {
            gathered.append(QLatin1Char('\n'));
            linesInParagraph = 0;
        }
    }
    return gathered;
}

} // namespace

void TextBox::setText(const QString &text)
{
    m_settingText = true;
    m_exact = text;
    m_exactValid = true;
    setPlainText(forDocument(text));
    m_settingText = false;
}

QString TextBox::text() const
{
    if (m_exactValid)
        return m_exact;
    // toRawText keeps a no-break space, which toPlainText would turn into a
    // blank; the document's own separators become the file's CR LF.
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    raw.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return raw;
}

namespace {

QFont scaled(const QFont &font, qreal factor)
{
    QFont smaller = font;
    if (font.pointSizeF() > 0)
        smaller.setPointSizeF(font.pointSizeF() * factor);
    else
        smaller.setPixelSize(std::max(1, int(font.pixelSize() * factor)));
    return smaller;
}

// Steps the font down from guess (a factor of its size) until it fits;
// nothing when the font fits as it is.
std::optional<QFont> shrunkUntil(const QFont &font, qreal guess,
                                 const std::function<bool(const QFont &)> &fits)
{
    if (fits(font))
        return std::nullopt;
    qreal factor = std::clamp(guess, 0.1, 1.0);
    QFont smaller = scaled(font, factor);
    for (int step = 0; step < 60 && !fits(smaller); ++step) {
        factor *= 0.97;
        smaller = scaled(font, factor);
    }
    return smaller;
}

// A line edit centres its line by whole pixels (the font's rounded height,
// the spare pixel going above), then draws it at the exact height.
bool lineFits(const QFont &font, int room)
{
    const int above = (room - QFontMetrics(font).height() + 1) / 2;
    return above >= 0 && above + QFontMetricsF(font).height() <= room;
}

} // namespace

std::optional<QFont> reducedToFit(const QFont &font, const QString &text, const QSize &room,
                                  Fit fit)
{
    const auto fits = [&](const QFont &candidate) {
        const QFontMetricsF metrics(candidate);
        return metrics.height() <= room.height()
               && (fit == Fit::Height || metrics.horizontalAdvance(text) <= room.width());
    };
    // Start where the font would fit if it scaled evenly.
    const QFontMetricsF metrics(font);
    qreal guess = room.height() / metrics.height();
    if (fit == Fit::Whole && !text.isEmpty())
        guess = std::min(guess, room.width() / metrics.horizontalAdvance(text));
    return shrunkUntil(font, guess, fits);
}

namespace {

// The relative luminance of WCAG 2: the sRGB channels made linear, weighted.
double luminance(const QColor &colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF())
           + 0.0722 * linear(rgb.blueF());
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double first = luminance(a), second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QPalette readableOn(QPalette palette, QPalette::ColorRole role, const QColor &background)
{
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        if (contrastRatio(palette.color(group, role), background) < kReadableContrast)
            palette.setColor(group, role, Qt::black);
    }
    return palette;
}

namespace {

// One shared "Windows" style for every solid button: it fills a button's face
// with the palette's button colour, where Fusion would paint a gradient. It
// lives as long as the application; a new application gets a new one.
QStyle *solidFaceStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = QStyleFactory::create(QStringLiteral("Windows"));
        if (style)
            style->setParent(QCoreApplication::instance());
    }
    return style;
}

} // namespace

SolidButton::SolidButton(const QString &caption, const QColor &face, QWidget *parent)
    : QPushButton(caption, parent)
    , m_face(face)
{
    if (QStyle *style = solidFaceStyle())
        setStyle(style);
    QPalette colours = palette();
    colours.setColor(QPalette::Button, face);
    setPalette(colours);
    // No button is ever a default button: Enter belongs to the window.
    setAutoDefault(false);
    setDefault(false);
}

void SolidButton::paintEvent(QPaintEvent *)
{
    QStyleOptionButton option;
    initStyleOption(&option);
    option.palette = readableOn(option.palette, QPalette::ButtonText, m_face);
    QStylePainter painter(this);
    if (const std::optional<QFont> smaller = reducedToFit(font(), text(), captionRoom(option))) {
        painter.setFont(*smaller);
        option.fontMetrics = QFontMetrics(*smaller);
    }
    // The style's mark is a sparse dot pattern in the face's inverse colour,
    // faint on cyan; shown when the style would show its own, after a key
    // moved the focus.
    const QStyle::State focusMark = QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    const bool marked = (option.state & focusMark) == focusMark;
    option.state &= ~QStyle::State_HasFocus;
    painter.drawControl(QStyle::CE_PushButton, option);
    if (marked) {
        const QRect mark = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &option, this);
        painter.setPen(option.palette.color(QPalette::ButtonText));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(mark.adjusted(0, 0, -1, -1));
    }
}

// The face inside the bevel, less the shift of a pressed caption on either
// side, so that the caption stays on the face when the button goes down.
QSize SolidButton::captionRoom(const QStyleOptionButton &option) const
{
    const QRect face = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const int shift = style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this);
    return face.size() - QSize(2 * shift, 0);
}

CaptionLabel::CaptionLabel(const QString &caption, Fit fit, QWidget *parent)
    : QLabel(caption, parent)
    , m_fit(fit)
{
    setTextFormat(Qt::PlainText);
}

void CaptionLabel::paintEvent(QPaintEvent *)
{
    const QRect room = contentsRect();
    QPainter painter(this);
    drawFrame(&painter);
    if (const std::optional<QFont> smaller = reducedToFit(font(), text(), room.size(), m_fit))
        painter.setFont(*smaller);
    const QPalette colours =
        readableOn(palette(), foregroundRole(), palette().color(backgroundRole()));
    style()->drawItemText(&painter, room, QStyle::visualAlignment(layoutDirection(), alignment()),
                          colours, isEnabled(), text(), foregroundRole());
}

LineBox::LineBox(const QString &text, QWidget *parent)
    : QLineEdit(text, parent)
{
    // A font of the box's own would hide a new font of its window from it.
    if (parent)
        parent->installEventFilter(this);
}

bool LineBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::FontChange)
        fitFont();
    return QLineEdit::eventFilter(watched, event);
}

void LineBox::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    fitFont();
}

void LineBox::fitFont()
{
    setFont(QFont()); // back to the inherited font
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect inside = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const int room = inside.height();
    const auto fits = [room](const QFont &candidate) { return lineFits(candidate, room); };
    if (const std::optional<QFont> smaller = shrunkUntil(font(), 1.0, fits))
        setFont(*smaller);
}

PictureBox::PictureBox(QWidget *parent)
    : QFrame(parent)
{
    // A picture, where a plain frame would read as a mere frame.
    presentAs<PictureBox, QAccessible::Graphic>();
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

void PictureBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect inside = contentsRect();
    painter.fillRect(inside, kWhite);
    if (!m_picture.isNull()) {
        painter.save();
        painter.setClipRect(inside);
        // Unscaled in logical pixels: on a scaled screen the picture is
        // enlarged, and smoothing keeps it from looking blocky.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(inside.topLeft(), m_picture);
        painter.restore();
    }
    drawFrame(&painter);
    if (hasFocus()) {
        // Two pixels wide, so that it shows over a picture's edge too.
        QColor mark = palette().color(QPalette::Highlight);
        if (contrastRatio(mark, kWhite) < kFocusMarkContrast)
            mark = Qt::black;
        painter.setPen(QPen(mark, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(inside).adjusted(1, 1, -1, -1));
    }
}

void fixWindowSize(QWidget *window, const QSize &size)
{
    window->setFixedSize(size);
    // Without the customize hint Qt adds the buttons of a plain window,
    // maximise among them, whatever the size hints say.
    const Qt::WindowFlags type = window->windowFlags() & Qt::WindowType_Mask;
    Qt::WindowFlags frame = type | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (type == Qt::Window)
        frame |= Qt::WindowMinimizeButtonHint;
    window->setWindowFlags(frame);
}

void fillBackground(QWidget *window, const QColor &colour)
{
    QPainter(window).fillRect(window->rect(), colour);
}

void paintBackground(QWidget *widget, const QColor &colour)
{
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, colour);
    widget->setPalette(colours);
    widget->setAutoFillBackground(true);
}

} // namespace zumivok
