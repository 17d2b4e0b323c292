#pragma once
// A one-shot wait the network side arms and disarms; the Qt timer is the real one, tests
// drive the owner's time-out handler by hand instead.

#include <QTimer>
#include <functional>
#include <memory>

class IOneShotTimer {
public:
    virtual ~IOneShotTimer() = default;
    virtual void Start() = 0;  // (re)starts the wait
    virtual void Stop() = 0;
};

class CQtOneShotTimer : public IOneShotTimer {
public:
    CQtOneShotTimer(int milliseconds, std::function<void()> onTimeout) {
        m_timer.setSingleShot(true);
        m_timer.setInterval(milliseconds);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, std::move(onTimeout));
    }
    void Start() override { m_timer.start(); }
    void Stop() override { m_timer.stop(); }

private:
    QTimer m_timer;
};

// The timer a server was handed, or else one of its own of the given length.
inline IOneShotTimer* OwnOrGiven(IOneShotTimer* given, std::unique_ptr<IOneShotTimer>& own, int milliseconds,
                                 std::function<void()> onTimeout) {
    if (given) return given;
    own = std::make_unique<CQtOneShotTimer>(milliseconds, std::move(onTimeout));
    return own.get();
}
