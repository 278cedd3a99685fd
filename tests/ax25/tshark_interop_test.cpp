// Interoperability with an independent AX.25 decoder: Wireshark's tshark
// reads a capture of our encoded frames (pcap link type 202, a KISS command
// byte before each AX.25 frame) and must see the same addresses, path, H and
// C bits, control field, PID and payload that our encoder meant and our
// decoder reads. Skipped when tshark is not installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "ax25/ax25_frame.h"
#include "frame_generator.h"

namespace korvale {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kPcapMagic = 0xA1B2C3D4;
constexpr std::uint32_t kLinkTypeAx25Kiss = 202;
constexpr std::uint8_t kKissDataFrame = 0x00;
constexpr int kGeneratedFrames = 1500;

// Protocols above AX.25 are switched off so that tshark hands every
// information field, whatever its PID, to the raw "data" dissector.
constexpr const char* kTsharkCommand =
    "tshark -n -r '%s' --disable-protocol ip --disable-protocol arp "
    "--disable-protocol ax25_nol3 --disable-protocol netrom --disable-protocol x25 "
    "--disable-protocol flexnet --disable-protocol ipx -T pdml -J 'ax25 data' 2>/dev/null";

bool tsharkAvailable() {
    return std::system("command -v tshark >/dev/null 2>&1") == 0;
}

void appendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void writeCapture(const std::filesystem::path& path, const std::vector<Bytes>& frames) {
    std::string out;
    appendLittleEndian(out, kPcapMagic, 4);
    appendLittleEndian(out, 2, 2);  // version 2.4
    appendLittleEndian(out, 4, 2);
    appendLittleEndian(out, 0, 4);  // time zone
    appendLittleEndian(out, 0, 4);  // accuracy
    appendLittleEndian(out, 65535, 4);
    appendLittleEndian(out, kLinkTypeAx25Kiss, 4);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto length = static_cast<std::uint32_t>(frames[i].size() + 1);
        appendLittleEndian(out, static_cast<std::uint32_t>(i), 4);
        appendLittleEndian(out, 0, 4);
        appendLittleEndian(out, length, 4);
        appendLittleEndian(out, length, 4);
        out += static_cast<char>(kKissDataFrame);
        out.append(frames[i].begin(), frames[i].end());
    }
    std::ofstream(path, std::ios::binary) << out;
}

std::string runCommand(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    std::array<char, 65536> buffer;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), got);
    }
    ::pclose(pipe);
    return output;
}

std::string attribute(const std::string& line, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const auto start = line.find(key);
    if (start == std::string::npos) {
        return {};
    }
    const auto from = start + key.size();
    return line.substr(from, line.find('"', from) - from);
}

// One dissected packet: field name to showname, show and value.
struct TsharkField {
    std::string showname;
    std::string show;
    std::string value;
};
struct TsharkPacket {
    std::string ax25Summary;  // "AX.25, Src: ..., Dst: ..., Ver: ..."
    std::map<std::string, TsharkField> fields;

    bool has(const std::string& name) const { return fields.count(name) != 0; }
    const TsharkField& operator[](const std::string& name) const {
        static const TsharkField kMissing;
        const auto found = fields.find(name);
        return found == fields.end() ? kMissing : found->second;
    }
};

std::vector<TsharkPacket> parsePdml(const std::string& pdml) {
    std::vector<TsharkPacket> packets;
    std::size_t position = 0;
    while (position < pdml.size()) {
        std::size_t end = pdml.find('\n', position);
        if (end == std::string::npos) {
            end = pdml.size();
        }
        const std::string line = pdml.substr(position, end - position);
        position = end + 1;
        if (line.find("<packet>") != std::string::npos) {
            packets.emplace_back();
        } else if (packets.empty()) {
            continue;
        } else if (line.find("<proto name=\"ax25\"") != std::string::npos) {
            packets.back().ax25Summary = attribute(line, "showname");
        } else if (line.find("<field name=\"") != std::string::npos) {
            packets.back().fields[attribute(line, "name")] = {
                attribute(line, "showname"), attribute(line, "show"), attribute(line, "value")};
        }
    }
    return packets;
}

std::string hexOf(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string hexByte(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", value & 0xFF);
    return text;
}

// The last byte of an address field as tshark shows it ("a2:a6:...:e0").
int ssidByteOf(const TsharkField& field) {
    const auto colon = field.show.rfind(':');
    return colon == std::string::npos
               ? -1
               : static_cast<int>(std::strtol(field.show.c_str() + colon + 1, nullptr, 16));
}

// tshark's name of the frame kind, mapped onto ours.
std::optional<FrameKind> kindSeenByTshark(const TsharkPacket& packet) {
    if (packet.has("ax25.ctl.ftype_i")) {
        return FrameKind::I;
    }
    if (packet.has("ax25.ctl.ftype_s")) {
        const std::string& type = packet["ax25.ctl.ftype_s"].show;
        if (type == "0x00")
            return FrameKind::Rr;
        if (type == "0x01")
            return FrameKind::Rnr;
        if (type == "0x02")
            return FrameKind::Rej;
        return FrameKind::Unknown;
    }
    // Response DISC is shown as RD and command DM as SARM: same bits.
    const std::string& type = packet.has("ax25.ctl.u_cmd") ? packet["ax25.ctl.u_cmd"].show
                                                           : packet["ax25.ctl.u_resp"].show;
    const std::map<std::string, FrameKind> uKinds = {
        {"0x0b", FrameKind::Sabm}, {"0x10", FrameKind::Disc}, {"0x18", FrameKind::Ua},
        {"0x03", FrameKind::Dm},   {"0x21", FrameKind::Frmr}, {"0x00", FrameKind::Ui}};
    const auto found = uKinds.find(type);
    if (found == uKinds.end()) {
        return std::nullopt;
    }
    return found->second;
}

// Everything tshark reports about one frame, against our decoded record.
void expectTsharkSees(const TsharkPacket& packet, const Ax25Frame& frame) {
    EXPECT_EQ(packet["ax25.dst"].showname, "Destination: " + frame.destination.toText());
    EXPECT_EQ(packet["ax25.src"].showname, "Source: " + frame.source.toText());
    const int digipeaters = frame.digipeaters.count();
    for (int i = 0; i < digipeaters; ++i) {
        const std::string name = "ax25.via" + std::to_string(i + 1);
        EXPECT_EQ(packet[name].showname,
                  "Via " + std::to_string(i + 1) + ": " + frame.digipeaters[i].toText());
        const int ssidByte = ssidByteOf(packet[name]);
        EXPECT_EQ((ssidByte & 0x80) != 0, i < frame.repeatedCount) << name << " H bit";
        EXPECT_EQ((ssidByte & 0x01) != 0, i == digipeaters - 1) << name << " extension bit";
    }
    EXPECT_FALSE(packet.has("ax25.via" + std::to_string(digipeaters + 1)));

    // C bits: tshark names the version and, for U frames, command or response.
    const bool destinationC = (ssidByteOf(packet["ax25.dst"]) & 0x80) != 0;
    const bool sourceC = (ssidByteOf(packet["ax25.src"]) & 0x80) != 0;
    EXPECT_EQ(frame.commandResponse, destinationC == sourceC ? 2 : (destinationC ? 1 : 0));
    const bool version2 = packet.ax25Summary.find("Ver: V2.0+") != std::string::npos;
    EXPECT_EQ(version2, frame.commandResponse != 2) << packet.ax25Summary;
    if (frame.commandResponse != 2 && frame.kind != FrameKind::I) {
        if (packet.has("ax25.ctl.u_cmd") || packet.has("ax25.ctl.u_resp")) {
            EXPECT_EQ(packet.has("ax25.ctl.u_cmd"), frame.commandResponse == 1);
        }
        if (frame.pollFinal == 1) {
            EXPECT_EQ(packet.has("ax25.ctl.p"), frame.commandResponse == 1);
            EXPECT_EQ(packet.has("ax25.ctl.f"), frame.commandResponse == 0);
        }
    }

    const std::optional<FrameKind> kind = kindSeenByTshark(packet);
    ASSERT_TRUE(kind.has_value()) << packet["ax25.ctl"].showname;
    EXPECT_EQ(*kind, frame.kind) << packet["ax25.ctl"].showname;
    const bool pollOrFinal = packet["ax25.ctl.p"].show == "1" || packet["ax25.ctl.f"].show == "1";
    EXPECT_EQ(pollOrFinal, frame.pollFinal == 1) << packet["ax25.ctl"].showname;
    if (frame.kind == FrameKind::I || frame.kind == FrameKind::Rr || frame.kind == FrameKind::Rnr ||
        frame.kind == FrameKind::Rej) {
        EXPECT_EQ(packet["ax25.ctl.n_r"].show, std::to_string(frame.nr));
    }
    if (frame.kind == FrameKind::I) {
        EXPECT_EQ(packet["ax25.ctl.n_s"].show, std::to_string(frame.ns));
    }
    // tshark 4.0 takes only the exact control byte 0x03 as a UI frame with
    // a PID; a UI frame with the P/F bit (0x13), which AX.25 allows and which
    // we read with its PID, shows there without PID and payload.
    const bool tsharkSkipsPayload = frame.kind == FrameKind::Ui && frame.pollFinal == 1;
    if (tsharkSkipsPayload) {
        EXPECT_FALSE(packet.has("ax25.pid"));
    } else if (frame.kind == FrameKind::I || frame.kind == FrameKind::Ui) {
        EXPECT_EQ(packet["ax25.pid"].show, hexByte(frame.pid));
        EXPECT_EQ(packet["data.data"].value, hexOf(frame.info));
    } else {
        EXPECT_FALSE(packet.has("ax25.pid"));
        EXPECT_FALSE(packet.has("data.data"));
    }
}

class TsharkInterop : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!tsharkAvailable()) {
            GTEST_SKIP() << "tshark is not installed; install Wireshark's tshark to check our "
                            "frames against an independent AX.25 decoder";
        }
        capture_ = std::filesystem::temp_directory_path() /
                   ("korvale_ax25_interop_" + std::to_string(::getpid()) + ".pcap");
    }
    void TearDown() override {
        if (!capture_.empty()) {
            std::filesystem::remove(capture_);
        }
    }

    std::vector<TsharkPacket> dissect(const std::vector<Bytes>& frames) {
        writeCapture(capture_, frames);
        char command[512];
        std::snprintf(command, sizeof command, kTsharkCommand, capture_.c_str());
        return parsePdml(runCommand(command));
    }

    std::filesystem::path capture_;
};

TEST_F(TsharkInterop, TsharkReadsOurEncodedFramesAsWeMeantThem) {
    testing::FrameGenerator generator(53);
    std::vector<Ax25Frame> sent;
    std::vector<Bytes> frames;
    for (int i = 0; i < kGeneratedFrames; ++i) {
        sent.push_back(generator.frame(1200));
        frames.push_back(sent.back().encode());
    }
    const std::vector<TsharkPacket> packets = dissect(frames);
    ASSERT_EQ(packets.size(), frames.size()) << "tshark did not read the whole capture";
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "seed 53 frame " << i);
        Ax25Frame decoded;
        ASSERT_TRUE(decoded.decode(frames[i]));
        // What we decode is what we sent (commandResponse 2 goes out as 0).
        EXPECT_EQ(decoded.commandResponse, sent[i].commandResponse == 1 ? 1 : 0);
        expectTsharkSees(packets[i], decoded);
        if (HasFatalFailure() || HasFailure()) {
            return;
        }
    }
}

// The other direction: frames as other stations send them (version 1 C bits,
// H bits anywhere in the path) must be read by our decoder as tshark reads
// them.
TEST_F(TsharkInterop, OurDecoderReadsForeignBitsAsTsharkDoes) {
    testing::FrameGenerator generator(59);
    std::vector<Bytes> frames;
    for (int i = 0; i < kGeneratedFrames; ++i) {
        Bytes bytes = generator.frame(300).encode();
        const int digipeaters = (static_cast<int>(bytes.size()) >= 21 && (bytes[13] & 1) == 0)
                                    ? [&bytes] {
                                          int count = 1;
                                          while ((bytes[13 + 7 * static_cast<std::size_t>(count)] &
                                                  1) == 0) {
                                              ++count;
                                          }
                                          return count;
                                      }()
                                    : 0;
        bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x7F) | (generator.below(2) << 7));
        bytes[13] = static_cast<std::uint8_t>((bytes[13] & 0x7F) | (generator.below(2) << 7));
        for (int d = 1; d <= digipeaters; ++d) {
            auto& ssid = bytes[13 + 7 * static_cast<std::size_t>(d)];
            ssid = static_cast<std::uint8_t>((ssid & 0x7F) | (generator.below(2) << 7));
        }
        frames.push_back(bytes);
    }
    const std::vector<TsharkPacket> packets = dissect(frames);
    ASSERT_EQ(packets.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "seed 59 frame " << i);
        Ax25Frame decoded;
        ASSERT_TRUE(decoded.decode(frames[i]));
        const TsharkPacket& packet = packets[i];
        // H bits: each of our counted digipeaters as tshark splits the path.
        int hBits = 0;
        for (int d = 1; d <= decoded.digipeaters.count(); ++d) {
            hBits += (ssidByteOf(packet["ax25.via" + std::to_string(d)]) & 0x80) != 0 ? 1 : 0;
        }
        EXPECT_EQ(decoded.repeatedCount, hBits);
        EXPECT_EQ(packet["ax25.dst"].showname, "Destination: " + decoded.destination.toText());
        EXPECT_EQ(packet["ax25.src"].showname, "Source: " + decoded.source.toText());
        EXPECT_EQ(packet.has("ax25.via" + std::to_string(decoded.digipeaters.count() + 1)), false);
        const bool version2 = packet.ax25Summary.find("Ver: V2.0+") != std::string::npos;
        EXPECT_EQ(version2, decoded.commandResponse != 2) << packet.ax25Summary;
        if (HasFailure()) {
            return;
        }
    }
}

}  // namespace
}  // namespace korvale
