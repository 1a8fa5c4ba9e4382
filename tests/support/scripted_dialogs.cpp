#include "support/scripted_dialogs.h"

namespace zumivok::test {

int ScriptedDialogs::messageBox(QWidget *, const QString &text, const QString &title, int style)
{
    const Box box{text, title, style};
    m_boxes.append(box);
    return m_answers.isEmpty() ? Ok : m_answers.takeFirst();
}

QStringList ScriptedDialogs::texts() const
{
    QStringList texts;
    for (const Box &box : m_boxes)
        texts << box.text;
    return texts;
}

std::optional<QString> ScriptedDialogs::openFileName(QWidget *)
{
    ++m_fileDialogs;
    return m_paths.isEmpty() ? std::nullopt : m_paths.takeFirst();
}

} // namespace zumivok::test
