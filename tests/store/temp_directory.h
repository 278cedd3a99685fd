// A temporary directory removed with its contents; whole-file I/O; a write stamp.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace korvale::testing {

struct TempDirectory {
    TempDirectory() { ::mkdtemp(path_.data()); }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;

    const std::string& path() const { return path_; }
    std::string directory() const { return path_ + "/"; }
    std::string file(std::string_view name) const { return directory() + std::string(name); }
    bool linkPort(int port, const std::string& target) const {
        const std::string link = file("COM" + std::to_string(port));
        ::unlink(link.c_str());
        return ::symlink(target.c_str(), link.c_str()) == 0;
    }

    std::string path_ = (std::filesystem::temp_directory_path() / "korvale-XXXXXX").string();
};

inline void WriteFileBytes(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// Inode and modification time: a rename changes the inode even within one clock tick.
inline std::pair<ino_t, long long> StampOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return {info.st_ino, info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec};
}

}  // namespace korvale::testing
