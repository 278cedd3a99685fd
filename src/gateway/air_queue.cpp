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
    place(*target, flow, std::move(entry));
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

void AirQueue::place(Flow& flow, const AirFlow& kind, AirQueueEntry entry) {
    if (kind.tcpData) {
        // Sequence numbers wrap: compare by signed difference.
        const auto before = [](std::uint32_t a, std::uint32_t b) {
            return static_cast<std::int32_t>(a - b) < 0;
        };
        entry.repair = flow.tcpSeen && before(kind.tcpStart, flow.tcpHighestEnd);
        if (!flow.tcpSeen || before(flow.tcpHighestEnd, kind.tcpEnd)) {
            flow.tcpHighestEnd = kind.tcpEnd;
        }
        flow.tcpSeen = true;
    }
    if (!entry.repair) {
        flow.frames.push_back(std::move(entry));
        return;
    }
    const auto firstNew = std::find_if_not(flow.frames.begin(), flow.frames.end(),
                                           [](const AirQueueEntry& e) { return e.repair; });
    flow.frames.insert(firstNew, std::move(entry));
}

AirQueueEntry AirQueue::take(Flow& flow, std::deque<AirQueueEntry>::iterator position) {
    AirQueueEntry entry = std::move(*position);
    flow.frames.erase(position);
    flow.airTimeMs -= entry.airTimeMs;
    queuedMs_ -= entry.airTimeMs;
    --count_;
    return entry;
}

AirQueueEntry AirQueue::pop() {
    if (!priority_.frames.empty()) {
        return take(priority_, priority_.frames.begin());
    }
    std::deque<FlowMap::iterator>& turn = newFlows_.empty() ? oldFlows_ : newFlows_;
    const FlowMap::iterator position = turn.front();
    turn.pop_front();
    AirQueueEntry entry = take(position->second, position->second.frames.begin());
    if (position->second.frames.empty()) {
        flows_.erase(position);
    } else {
        oldFlows_.push_back(position);
    }
    return entry;
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
    const auto oldestNew = std::find_if(longest->frames.begin(), longest->frames.end(),
                                        [](const AirQueueEntry& e) { return !e.repair; });
    take(*longest, oldestNew != longest->frames.end() ? oldestNew : longest->frames.begin());
    return true;
}

}  // namespace korvale
