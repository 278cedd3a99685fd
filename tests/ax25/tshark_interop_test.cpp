// An independent decoder: tshark reads a capture of generated frames (pcap
// link type 202: a KISS byte, then the frame) and must find what our decoder
// reads. Skipped without tshark.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ax25_test_support.h"
#include "store/capture_file.h"

namespace korvale {
namespace {

using namespace korvale::testing;

// Layers above AX.25 off, so every payload is "data"; into the file named next.
constexpr const char* kPrintFieldsInto =
    " --disable-protocol ip --disable-protocol arp --disable-protocol ax25_nol3 --disable-protocol "
    "netrom --disable-protocol x25 --disable-protocol flexnet --disable-protocol ipx -T fields -E "
    "separator='|' -e ax25 -e _ws.col.Info -e ax25.pid -e data.data 2>/dev/null >";

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

TEST(TsharkInterop, TsharkReadsOurFramesAsOurDecoderDoes) {
    if (std::system("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed; it checks frames against an independent decoder";
    }
    const std::string path = KORVALE_BINARY_DIR "/ax25_tshark_interop";  // .pcap and .txt
    std::ofstream out(path + ".pcap", std::ios::binary);
    const auto put = [&out](std::initializer_list<std::uint32_t> words) {
        out.write(reinterpret_cast<const char*>(words.begin()), std::streamsize(4 * words.size()));
    };
    put({0xA1B2C3D4u, 0x00040002u, 0, 0, 65535, 202});
    FrameGenerator generator(53);
    std::vector<Ax25Frame> frames;  // as our decoder reads what we sent
    for (std::uint32_t i = 0; i < 1500; ++i) {
        Ax25Frame sent = generator.frame();
        // tshark 4.0 shows a UI frame with P/F (0x13) bare.
        sent.pollFinal &= sent.kind != Ui;
        const Bytes wire = sent.encode();
        ASSERT_TRUE(frames.emplace_back().decode(wire));
        const auto length = static_cast<std::uint32_t>(wire.size() + 1);
        put({i, 0, length, length});
        out.put(0).write(reinterpret_cast<const char*>(wire.data()), std::streamsize(wire.size()));
    }
    out.close();
    std::system(("tshark -n -r " + path + ".pcap" + kPrintFieldsInto + path + ".txt").c_str());
    std::ifstream text(path + ".txt");
    std::string line;
    for (std::size_t i = 0; i < frames.size() && !HasFailure(); ++i) {
        ASSERT_TRUE(std::getline(text, line)) << "tshark did not read the whole capture";
        if (const auto pid = line.find("|0x"); pid != std::string::npos) {
            line.erase(line.rfind(", ", pid), pid - line.rfind(", ", pid));
        }
        const auto payload = line.rfind('|') + 1;
        EXPECT_EQ(line.substr(0, payload), tsharkFields(frames[i])) << "frame " << i;
        EXPECT_EQ(bytes(line.substr(payload)), frames[i].info) << "frame " << i;
    }
}

// Our capture files: tshark must find every frame, in order, with the
// addresses, PID and direction written, across a reopened file (a second
// section) and a rotation to ".1".
TEST(TsharkInterop, CaptureFileReadsBackInTsharkInOrderWithDirections) {
    if (std::system("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed; it reads the capture as Wireshark would";
    }
    const std::string path = KORVALE_BINARY_DIR "/capture_tshark.pcapng";
    std::remove(path.c_str());
    std::remove((path + ".1").c_str());
    const Bytes info = {0x45, 0x00};
    const Ax25Frame frames[] = {frameOf("KV1A", "KV1B", "", 0, Ui, 1, 0, 0, 0, 0xCC, info),
                                frameOf("KV1B-3", "QST", "WIDE1-1", 0, Ui, 1, 0, 0, 0, 0xF0, info),
                                frameOf("KV1C", "KV1A-15", "", 0, I, 1, 0, 2, 5, 0xCF, info)};
    const auto direction = [](int i) {
        return i == 1 ? CaptureDirection::Outbound : CaptureDirection::Inbound;
    };
    // Room for two sections holding the first two frames; the third rotates.
    CaptureFile capture(280);
    for (int i = 0; i < 3; ++i) {
        if (i != 1) {
            ASSERT_TRUE(capture.open(path));  // a new section after the first
        }
        ASSERT_TRUE(capture.write(direction(i), frames[i].encode(), 1'700'000'000'000'000 + i));
        ASSERT_TRUE(capture.flush());
    }
    capture.close();
    std::string got;
    for (const std::string& file : {path + ".1", path}) {
        const std::string command =
            "tshark -n -r " + file +
            " -T fields -E separator=' ' -e _ws.col.Source -e _ws.col.Destination "
            "-e ax25.pid -e frame.packet_flags_direction 2>/dev/null";
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        for (int c = 0; (c = std::fgetc(pipe)) != EOF;) {
            got += static_cast<char>(c);
        }
        ::pclose(pipe);
    }
    EXPECT_EQ(got,
              "KV1A KV1B 0xcc 0x00000001\n"
              "KV1B-3 QST 0xf0 0x00000002\n"
              "KV1C KV1A-15 0xcf 0x00000001\n");
}

}  // namespace
}  // namespace korvale
