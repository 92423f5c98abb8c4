#include "app/gui_task_queue.h"

namespace qm318 {

void GuiTaskQueue::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(task));
    }
    QMetaObject::invokeMethod(this, "runPending", Qt::QueuedConnection);
}

void GuiTaskQueue::runPending() {
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard lock(mutex_);
        tasks.swap(pending_);
    }
    for (auto& task : tasks)
        task();
}

}  // namespace qm318
