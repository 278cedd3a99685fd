// A per-process scratch file for fuzzers that must hand their input to code
// reading from a path. Kept on tmpfs when there is one, so the runs are not
// slowed by the disk.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace korvale::fuzzing {

// One path per process, removed when the process exits normally.
inline const std::string& ScratchPath(const char* suffix) {
    static const std::string path = [suffix] {
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        return (base / ("korvale-fuzz-" + std::to_string(::getpid()) + suffix)).string();
    }();
    static const bool cleanupRegistered = [] {
        return std::atexit([] { std::remove(path.c_str()); }) == 0;
    }();
    static_cast<void>(cleanupRegistered);
    return path;
}

inline void WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);
}

}  // namespace korvale::fuzzing
