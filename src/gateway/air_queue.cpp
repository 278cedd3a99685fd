#include "gateway/air_queue.h"

#include <algorithm>
#include <utility>

namespace korvale {

int AirQueue::push(const AirFlow& flow, AirQueueEntry entry) {
    Flow* target = &priority_;
    if (!flow.priority) {
        const auto [position, created] = flows_.try_emplace(flow.key);
        if (created) {
            newFlows_.push_back(position);
        }
        target = &position->second;
    }
    target->airTimeMs += entry.airTimeMs;
    queuedMs_ += entry.airTimeMs;
    target->frames.push_back(std::move(entry));
    ++count_;
    int dropped = 0;
    while (queuedMs_ > budgetMs_ && dropFromLongest()) {
        ++dropped;
    }
    return dropped;
}

AirQueue::Flow* AirQueue::frontFlow() {
    if (!priority_.frames.empty()) {
        return &priority_;
    }
    if (!newFlows_.empty()) {
        return &newFlows_.front()->second;
    }
    if (!oldFlows_.empty()) {
        return &oldFlows_.front()->second;
    }
    return nullptr;
}

const AirQueueEntry* AirQueue::front() const {
    const Flow* flow = frontFlow();
    return flow != nullptr ? &flow->frames.front() : nullptr;
}

bool AirQueue::frontIsUrgent() const {
    return !priority_.frames.empty() || !newFlows_.empty();
}

AirQueueEntry AirQueue::takeHead(Flow& flow) {
    AirQueueEntry entry = std::move(flow.frames.front());
    flow.frames.pop_front();
    flow.airTimeMs -= entry.airTimeMs;
    queuedMs_ -= entry.airTimeMs;
    --count_;
    return entry;
}

AirQueueEntry AirQueue::pop() {
    if (!priority_.frames.empty()) {
        return takeHead(priority_);
    }
    std::deque<FlowMap::iterator>& turn = newFlows_.empty() ? oldFlows_ : newFlows_;
    const FlowMap::iterator position = turn.front();
    Flow& flow = position->second;
    AirQueueEntry entry = takeHead(flow);
    flow.creditMs -= entry.airTimeMs;
    if (flow.frames.empty()) {
        turn.pop_front();
        flows_.erase(position);
    } else if (flow.creditMs <= 0) {
        turn.pop_front();
        flow.creditMs += kAirQueueQuantumMs;
        oldFlows_.push_back(position);
    }
    settle();
    return entry;
}

void AirQueue::settle() {
    while (newFlows_.empty() && !oldFlows_.empty() && oldFlows_.front()->second.creditMs <= 0) {
        const FlowMap::iterator position = oldFlows_.front();
        oldFlows_.pop_front();
        position->second.creditMs += kAirQueueQuantumMs;
        oldFlows_.push_back(position);
    }
}

bool AirQueue::dropFromLongest() {
    Flow* longest = priority_.frames.size() > 1 ? &priority_ : nullptr;
    for (auto& [key, flow] : flows_) {
        if (flow.frames.size() > 1 && (longest == nullptr || flow.airTimeMs > longest->airTimeMs)) {
            longest = &flow;
        }
    }
    if (longest == nullptr) {
        return false;
    }
    takeHead(*longest);
    return true;
}

}  // namespace korvale
