#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ax25_test_support.h"
#include "store/capture_file.h"

namespace korvale {
namespace {

using namespace korvale::testing;

constexpr const char* kPrintFields =
    " --disable-protocol ip --disable-protocol arp --disable-protocol ax25_nol3 --disable-protocol "
    "netrom --disable-protocol x25 --disable-protocol flexnet --disable-protocol ipx -T fields -E "
    "separator='|' -e frame.packet_flags_direction -e frame.time_epoch -e ax25 -e _ws.col.Info "
    "-e ax25.pid -e data.data 2>/dev/null";

// tshark's fields for a frame, up to the payload, without its PID name.
std::string tsharkFields(const Ax25Frame& f) {
    const int code = static_cast<int>(f.kind);
    // tshark calls a command DM "SARM" and a response DISC "RD": the same bits.
    std::string name(frameKindName(f.kind));
    name = code == 4 && f.commandResponse ? "SARM" : code == 2 && !f.commandResponse ? "RD" : name;
    const std::string pid = {'0', 'x', "0123456789abcdef"[f.pid / 16],
                             "0123456789abcdef"[f.pid % 16]};
    std::ostringstream line;
    line << "AX.25, Src: " << f.source.toText() << ", Dst: " << f.destination.toText() << ", Ver: ";
    line << "V2.0+|" << std::string(1, "UUUUUSSSUIU"[code]);
    line << (f.pollFinal == 0 ? "" : f.commandResponse || code == 9 ? " P" : " F");
    line << (code == 9 ? "" : ", func=" + name);
    line << (code == 9 || (code >= 5 && code <= 7) ? ", N(R)=" + std::to_string(f.nr) : "");
    line << (code == 9 ? ", N(S)=" + std::to_string(f.ns) : "") << '|';
    line << (code == 9 || code == 10 ? pid : "") << '|';
    return line.str();
}

TEST(TsharkInterop, CaptureOfGeneratedFramesReadsBackInTsharkAsWeWroteAndDecodedThem) {
    if (std::system("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed; it checks frames against an independent decoder";
    }
    const std::string path = KORVALE_BINARY_DIR "/tshark_interop.pcapng";
    std::remove(path.c_str());
    std::remove((path + ".1").c_str());
    FrameGenerator generator(53);
    std::vector<Bytes> wire;
    std::vector<Ax25Frame> frames;  // as our decoder reads what we sent
    std::uint64_t total = 0;
    for (int i = 0; i < 1500; ++i) {
        Ax25Frame sent = generator.frame();
        sent.pollFinal &= sent.kind != Ui;  // tshark 4.0 shows a UI frame with P/F (0x13) bare
        wire.push_back(sent.encode());
        ASSERT_TRUE(frames.emplace_back().decode(wire.back()));
        total += wire.back().size();
    }
    // Rotating at the frames' bytes (blocks add more): once, in the second section.
    CaptureFile capture(total);
    for (std::size_t i = 0; i < wire.size(); ++i) {
        if (i % 600 == 0) {
            ASSERT_TRUE(capture.open(path));
        }
        const auto direction = i % 3 ? CaptureDirection::Inbound : CaptureDirection::Outbound;
        ASSERT_TRUE(capture.write(direction, wire[i], 1'700'000'000'000'000 + 601 * i));
    }
    capture.close();
    EXPECT_LE(std::filesystem::file_size(path + ".1"), total);
    ASSERT_GE(std::system(("(tshark -n -r " + path + ".1" + kPrintFields + "; tshark -n -r " +
                           path + kPrintFields + ") >" + path + ".txt")
                              .c_str()),
              0);
    std::ifstream lines(path + ".txt");
    std::string line;
    for (std::size_t i = 0; i < frames.size() && !HasFailure(); ++i) {
        ASSERT_TRUE(std::getline(lines, line)) << "tshark read " << i << " frames";
        if (const auto pid = line.find("|0x"); pid != std::string::npos) {
            line.erase(line.rfind(", ", pid), pid - line.rfind(", ", pid));
        }
        const auto payload = line.rfind('|') + 1;
        char stamp[40];
        std::snprintf(stamp, sizeof stamp, "0x0000000%d|1700000000.%06zu000|", i % 3 ? 1 : 2,
                      601 * i);
        EXPECT_EQ(line.substr(0, payload), stamp + tsharkFields(frames[i])) << "frame " << i;
        EXPECT_EQ(bytes(line.substr(payload)), frames[i].info) << "frame " << i;
    }
}

}  // namespace
}  // namespace korvale
