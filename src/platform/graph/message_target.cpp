#include "platform/graph/message_target.h"

#include <mutex>

namespace mf {

namespace {
std::mutex& targetMutex() {
    static std::mutex m;
    return m;
}
std::shared_ptr<IMessageTarget>& targetSlot() {
    static std::shared_ptr<IMessageTarget> target;
    return target;
}
} // namespace

void setMainWindowTarget(std::shared_ptr<IMessageTarget> target) {
    std::lock_guard lock(targetMutex());
    targetSlot() = std::move(target);
}

std::shared_ptr<IMessageTarget> mainWindowTarget() {
    std::lock_guard lock(targetMutex());
    return targetSlot();
}

} // namespace mf
