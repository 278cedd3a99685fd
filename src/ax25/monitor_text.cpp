#include "ax25/monitor_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "ax25/arp_hardware_address.h"
#include "ax25/arp_ip_layout.h"

namespace korvale {

namespace {

// Room for the longest summary line: two addresses of nine characters,
// two dotted quads and the longest operation or protocol text.
constexpr std::size_t kSummaryBufferSize = 160;

struct ProtocolName {
    int number;
    const char* name;
};

constexpr std::array<ProtocolName, 7> kIpProtocolNames = {{
    {1, "ICMP"},
    {4, "ENCAP"},
    {6, "TCP"},
    {17, "UDP"},
    {73, "RSPF"},
    {93, "AX25"},
    {94, "IP"},
}};

int bigEndian16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return (bytes[offset] << 8) | bytes[offset + 1];
}

std::string formatted(const char* format, auto... values) {
    std::array<char, kSummaryBufferSize> buffer{};
    const int written = std::snprintf(buffer.data(), buffer.size(), format, values...);
    if (written <= 0) {
        return {};
    }
    return std::string(buffer.data(),
                       std::min(static_cast<std::size_t>(written), buffer.size() - 1));
}

std::optional<std::string> arpSummary(const Ax25Frame& frame) {
    if (frame.kind != FrameKind::Ui || frame.pid != kPidArp ||
        frame.info.size() != kAx25ArpPacketSize) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> packet(frame.info);
    const int operation = bigEndian16(packet, kAx25ArpOperationOffset);
    std::string operationText;
    if (operation == kArpRequest) {
        operationText = "Request";
    } else if (operation == kArpReply) {
        operationText = "Reply";
    } else {
        operationText = std::to_string(operation);
    }
    const auto hardwareAt = [&packet](std::size_t offset) {
        ArpHardwareAddress hardware{};
        std::copy_n(packet.begin() + static_cast<std::ptrdiff_t>(offset), hardware.size(),
                    hardware.begin());
        return arpHardwareToCall(hardware).toText();
    };
    const std::string sender = hardwareAt(kAx25ArpSenderHardwareOffset);
    const std::string target = hardwareAt(kAx25ArpTargetHardwareOffset);
    const std::uint8_t* senderIp = &packet[kAx25ArpSenderIpOffset];
    const std::uint8_t* targetIp = &packet[kAx25ArpTargetIpOffset];
    return formatted("\r\n  ARP: %s, Sender: %i.%i.%i.%i,%s, Target: %i.%i.%i.%i,%s",
                     operationText.c_str(), senderIp[0], senderIp[1], senderIp[2], senderIp[3],
                     sender.c_str(), targetIp[0], targetIp[1], targetIp[2], targetIp[3],
                     target.c_str());
}

std::optional<std::string> ipSummary(const Ax25Frame& frame) {
    if (frame.kind != FrameKind::Ui || frame.pid != kPidIp ||
        frame.info.size() < kIpv4MinHeaderSize) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> header(frame.info);
    const int protocol = header[kIpv4ProtocolOffset];
    std::string protocolText = std::to_string(protocol);
    for (const ProtocolName& entry : kIpProtocolNames) {
        if (entry.number == protocol) {
            protocolText = entry.name;
        }
    }
    const std::uint8_t* sourceIp = &header[kIpv4SourceOffset];
    const std::uint8_t* destinationIp = &header[kIpv4DestinationOffset];
    return formatted("\r\n  IP: %s, Source: %i.%i.%i.%i, Dest: %i.%i.%i.%i, Len: %i",
                     protocolText.c_str(), sourceIp[0], sourceIp[1], sourceIp[2], sourceIp[3],
                     destinationIp[0], destinationIp[1], destinationIp[2], destinationIp[3],
                     bigEndian16(header, kIpv4TotalLengthOffset));
}

char displayedByte(std::uint8_t byte) {
    // Line breaks and everything printable in the 8-bit character set pass;
    // other control codes would upset the monitor window.
    if (byte == '\r' || byte == '\n' || byte >= 0x20) {
        return static_cast<char>(byte);
    }
    return '.';
}

char digit(int value) {
    return static_cast<char>('0' + (value & 0x07));
}

}  // namespace

std::string renderMonitorText(const Ax25Frame& frame, bool showHeaders) {
    std::string text;
    text.reserve(kMonitorTextMaxLength + 1);

    text += frame.source.toText();
    for (int i = 0; i < frame.digipeaters.count(); ++i) {
        text += '/';
        text += frame.digipeaters[i].toText();
        // Only the last digipeater that has repeated the frame is marked.
        if (i + 1 == frame.repeatedCount) {
            text += '*';
        }
    }
    text += '>';
    text += frame.destination.toText();
    text += '>';
    text += frameKindName(frame.kind);

    // The numbers are shown as the encoder sends them: three bits each.
    if (frame.kind == FrameKind::I) {
        text += digit(frame.nr);
        text += digit(frame.ns);
    } else if (frame.kind == FrameKind::Rr || frame.kind == FrameKind::Rnr ||
               frame.kind == FrameKind::Rej) {
        text += digit(frame.nr);
    }

    text += ',';
    if (frame.commandResponse == 1) {
        text += frame.pollFinal != 0 ? 'P' : 'C';
    } else if (frame.commandResponse == 0) {
        text += frame.pollFinal != 0 ? 'F' : 'R';
    } else {
        text += '?';
    }

    if (frame.kind == FrameKind::I || frame.kind == FrameKind::Ui) {
        std::array<char, 4> pidText{};
        std::snprintf(pidText.data(), pidText.size(), ",%02X", frame.pid & 0xFF);
        text += pidText.data();

        std::optional<std::string> summary;
        if (showHeaders) {
            summary = arpSummary(frame);
            if (!summary) {
                summary = ipSummary(frame);
            }
        }
        if (summary) {
            text += *summary;
        } else {
            text += ":\r\n";
            const std::size_t room =
                text.size() < kMonitorTextBodyLimit ? kMonitorTextBodyLimit - text.size() : 0;
            const std::size_t shown = std::min(room, frame.info.size());
            for (std::size_t i = 0; i < shown; ++i) {
                text += displayedByte(frame.info[i]);
            }
        }
    }

    // Every frame ends a line. The monitor breaks lines at carriage returns
    // only, so text that ends in a bare line feed (common from Unix stations)
    // needs its own line end too, or the next frame would join it.
    if (!text.ends_with('\r') && !text.ends_with("\r\n")) {
        text += "\r\n";
    }
    return text;
}

}  // namespace korvale
