#pragma once

#include "platform/dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace zumivok::test {

// Message boxes and the file dialog answered by the test: every box is
// recorded, and answered from a queue of answers (Ok when the queue is
// empty); the file dialog returns queued paths (nothing when the queue is empty).
class ScriptedDialogs final : public Dialogs
{
public:
    struct Box
    {
        QString text;
        QString title; // as given; empty means the application's title
        int style = 0;
    };

    void answerNext(int answer) { m_answers.append(answer); }
    void chooseNext(std::optional<QString> path) { m_paths.append(path); }
    const QList<Box> &boxes() const { return m_boxes; }
    QStringList texts() const; // of the boxes, in order
    int fileDialogsShown() const { return m_fileDialogs; }
    void clear() { m_boxes.clear(); }

    int messageBox(QWidget *parent, const QString &text, const QString &title,
                   int style) override;
    std::optional<QString> openFileName(QWidget *parent) override;

private:
    QList<Box> m_boxes;
    QList<int> m_answers;
    QList<std::optional<QString>> m_paths;
    int m_fileDialogs = 0;
};

} // namespace zumivok::test
