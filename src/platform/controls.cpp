#include "platform/controls.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QTextDocument>

namespace zumivok {

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

void TextBox::setText(const QString &text)
{
    m_settingText = true;
    m_exact = text;
    m_exactValid = true;
    // The document breaks lines at CR LF, a lone CR and a lone LF alike.
    setPlainText(text);
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

PictureBox::PictureBox(QWidget *parent)
    : QFrame(parent)
{
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
        painter.drawImage(inside.topLeft(), m_picture);
        painter.restore();
    }
    drawFrame(&painter);
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
