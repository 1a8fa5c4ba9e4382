#pragma once

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace zumivok::test {

// Answers the next modal window from inside its exec(): once it is open,
// action runs with it (and may click its buttons, type, close it...). A guard
// hides any modal window still open after timeoutMs, so that a failed check
// can never hang the run; ran() says whether the window came at all.
class ModalDriver
{
public:
    explicit ModalDriver(std::function<void(QWidget *)> action, int timeoutMs = 5000);
    ~ModalDriver();
    ModalDriver(const ModalDriver &) = delete;
    ModalDriver &operator=(const ModalDriver &) = delete;

    bool ran() const { return m_ran; }
    bool timedOut() const { return m_timedOut; }

private:
    void poll();
    void schedule(int delayMs);

    std::function<void(QWidget *)> m_action;
    int m_remainingMs;
    bool m_ran = false;
    bool m_timedOut = false;
    std::shared_ptr<bool> m_alive;
};

} // namespace zumivok::test
