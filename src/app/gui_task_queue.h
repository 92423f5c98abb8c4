#pragma once
// Hands work from worker threads to the GUI thread, in the order it was posted.
//
// The tasks pass through a std::mutex (which ThreadSanitizer understands), and only a bare
// wake-up call crosses Qt's own event queue.

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

namespace qm318 {

class GuiTaskQueue : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Callable from any thread; the task runs later on the thread that owns this object.
    void post(std::function<void()> task);

private slots:
    void runPending();

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> pending_;
};

}  // namespace qm318
