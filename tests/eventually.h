// Calls `done` until it returns true (then true) or 10 s have passed.
#pragma once

#include <chrono>
#include <thread>

namespace korvale::testing {

template <typename Condition>
bool eventually(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool met = false;
    while (!(met = done()) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return met;
}

}  // namespace korvale::testing
