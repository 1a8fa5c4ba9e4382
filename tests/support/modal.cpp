#include "support/modal.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace zumivok::test {

namespace {
constexpr int kPollMs = 5;
}

ModalDriver::ModalDriver(std::function<void(QWidget *)> action, int timeoutMs)
    : m_action(std::move(action)), m_remainingMs(timeoutMs), m_alive(std::make_shared<bool>(true))
{
    schedule(0);
}

ModalDriver::~ModalDriver()
{
    *m_alive = false; // a poll still queued finds the flag down
}

void ModalDriver::schedule(int delayMs)
{
    QTimer::singleShot(delayMs, [this, alive = m_alive] {
        if (*alive)
            poll();
    });
}

void ModalDriver::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!m_ran && modal) {
        m_ran = true;
        m_remainingMs = std::min(m_remainingMs, 2000); // for the action to close it
        m_action(modal);
        modal = QApplication::activeModalWidget();
    }
    if (m_ran && !modal)
        return; // answered and closed
    if (m_remainingMs <= 0) {
        m_timedOut = true;
        if (modal)
            modal->hide();
        return;
    }
    m_remainingMs -= kPollMs;
    schedule(kPollMs);
}

} // namespace zumivok::test
