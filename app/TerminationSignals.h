// SIGTERM, SIGINT, SIGHUP and SIGQUIT turned into a call on the window's thread, where the job in
// hand can be cancelled and clean up before the program ends.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace velbrisk::app {

// While an instance lives, these signals no longer end the process at once: each calls
// `onSignal` on the thread of the event loop, from that loop. The handler itself only writes a
// byte to a pipe, the one thing a signal handler may safely do. One instance at a time.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void drain();

    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace velbrisk::app
