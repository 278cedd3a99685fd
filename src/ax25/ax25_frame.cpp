#include "ax25/ax25_frame.h"

#include <algorithm>
#include <array>

namespace korvale {

namespace {

constexpr std::size_t kSsidByte = kAddressWireSize - 1;  // flags live in the last byte
constexpr std::size_t kSourceSsidByte = kAddressWireSize + kSsidByte;
constexpr std::size_t kControlOffset = 2 * kAddressWireSize;  // without digipeaters

constexpr std::uint8_t kExtensionBit = 0x01;  // last address field
constexpr std::uint8_t kCommandBit = 0x80;    // C bit of destination or source
constexpr std::uint8_t kRepeatedBit = 0x80;   // H bit of a digipeater
constexpr std::uint8_t kReservedBits = 0x60;  // set in the two main SSID bytes
constexpr std::uint8_t kPollFinalBit = 0x10;

constexpr std::uint8_t kSequenceMask = 0x07;  // N(R), N(S)
constexpr std::uint8_t kPidMask = 0xFF;
constexpr int kNrShift = 5;
constexpr int kNsShift = 1;

constexpr std::uint8_t kUFrameBits = 0x03;
constexpr std::uint8_t kUFrameTypeMask = 0xEC;  // leaves P/F out
constexpr std::uint8_t kSFrameTypeMask = 0x0C;

constexpr std::array<std::string_view, 11> kKindNames = {"UNKN", "SABM", "DISC", "UA", "DM", "RR",
                                                         "RNR",  "REJ",  "FRMR", "I",  "UI"};

bool carriesInfo(FrameKind kind) {
    return kind == FrameKind::I || kind == FrameKind::Ui;
}

bool carriesNr(FrameKind kind) {
    return kind == FrameKind::I || kind == FrameKind::Rr || kind == FrameKind::Rnr ||
           kind == FrameKind::Rej;
}

FrameKind kindOfControl(std::uint8_t control) {
    if ((control & 0x01) == 0) {
        return FrameKind::I;
    }
    if ((control & 0x02) == 0) {
        switch (control & kSFrameTypeMask) {
            case 0x00:
                return FrameKind::Rr;
            case 0x04:
                return FrameKind::Rnr;
            case 0x08:
                return FrameKind::Rej;
            default:
                return FrameKind::Unknown;
        }
    }
    switch (control & kUFrameTypeMask) {
        case 0x2C:
            return FrameKind::Sabm;
        case 0x40:
            return FrameKind::Disc;
        case 0x60:
            return FrameKind::Ua;
        case 0x0C:
            return FrameKind::Dm;
        case 0x84:
            return FrameKind::Frmr;
        case 0x00:
            return FrameKind::Ui;
        default:
            return FrameKind::Unknown;
    }
}

// N(R) and N(S) are masked to three bits: an out-of-range number would
// otherwise spill into the type bits and send a different kind of frame.
std::uint8_t controlOfFrame(const Ax25Frame& frame) {
    const auto nr = static_cast<std::uint8_t>((frame.nr & kSequenceMask) << kNrShift);
    const auto ns = static_cast<std::uint8_t>((frame.ns & kSequenceMask) << kNsShift);
    std::uint8_t control = 0;
    switch (frame.kind) {
        case FrameKind::Sabm:
            control = 0x2F;
            break;
        case FrameKind::Disc:
            control = 0x43;
            break;
        case FrameKind::Ua:
            control = 0x63;
            break;
        case FrameKind::Dm:
            control = 0x0F;
            break;
        case FrameKind::Rr:
            control = nr | 0x01;
            break;
        case FrameKind::Rnr:
            control = nr | 0x05;
            break;
        case FrameKind::Rej:
            control = nr | 0x09;
            break;
        case FrameKind::Frmr:
            control = 0x87;
            break;
        case FrameKind::I:
            control = nr | ns;
            break;
        case FrameKind::Ui:
            control = kUFrameBits;
            break;
        case FrameKind::Unknown:
        default:
            control = 0;
            break;
    }
    if (frame.pollFinal == 1) {
        control |= kPollFinalBit;
    }
    return control;
}

std::span<const std::uint8_t, kAddressWireSize> fieldAt(std::span<const std::uint8_t> bytes,
                                                        std::size_t offset) {
    return bytes.subspan(offset).first<kAddressWireSize>();
}

}  // namespace

std::string_view frameKindName(FrameKind kind) {
    const auto code = static_cast<std::int32_t>(kind);
    if (code < 0 || code >= static_cast<std::int32_t>(kKindNames.size())) {
        return kKindNames[0];
    }
    return kKindNames[static_cast<std::size_t>(code)];
}

void Ax25Frame::build(const Ax25Address& source, const Ax25Address& destination,
                      const AddressList& digipeaters, int repeatedCount, FrameKind kind,
                      int commandResponse, int pollFinal, int nr, int ns, int pid,
                      std::span<const std::uint8_t> info) {
    this->source = source;
    this->destination = destination;
    this->digipeaters.clear();
    for (const Ax25Address& digipeater : digipeaters) {
        this->digipeaters.append(digipeater);
    }
    this->repeatedCount = repeatedCount;
    this->kind = kind;
    this->commandResponse = commandResponse;
    this->pollFinal = pollFinal;
    this->nr = nr;
    this->ns = ns;
    this->pid = pid;
    this->info.assign(info.begin(), info.end());
}

bool Ax25Frame::decode(std::span<const std::uint8_t> bytes) {
    const std::size_t length = bytes.size();
    if (length < kAx25MinFrameSize) {
        return false;
    }
    // Start from a new frame, so a record that is decoded twice does not
    // collect the digipeaters or information of the earlier frame.
    *this = Ax25Frame{};
    destination.decodeWire(fieldAt(bytes, 0));
    source.decodeWire(fieldAt(bytes, kAddressWireSize));
    repeatedCount = 0;

    if ((bytes[kSourceSsidByte] & kExtensionBit) == 0) {
        for (int i = 1;; ++i) {
            if (i > kMaxDigipeaters) {
                return false;
            }
            const std::size_t offset =
                kAddressWireSize + kAddressWireSize * static_cast<std::size_t>(i);
            if (offset + kAddressWireSize > length) {
                return false;
            }
            Ax25Address digipeater;
            digipeater.decodeWire(fieldAt(bytes, offset));
            digipeaters.append(digipeater);
            const std::uint8_t flags = bytes[offset + kSsidByte];
            if ((flags & kRepeatedBit) != 0) {
                ++repeatedCount;
            }
            if ((flags & kExtensionBit) != 0) {
                break;
            }
        }
    }
    const std::size_t pathSize = kAddressWireSize * static_cast<std::size_t>(digipeaters.count());
    if (length < pathSize + kAx25MinFrameSize) {
        return false;
    }

    const bool destinationCommand = (bytes[kSsidByte] & kCommandBit) != 0;
    const bool sourceCommand = (bytes[kSourceSsidByte] & kCommandBit) != 0;
    if (destinationCommand == sourceCommand) {
        commandResponse = 2;
    } else {
        commandResponse = destinationCommand ? 1 : 0;
    }

    const std::uint8_t control = bytes[kControlOffset + pathSize];
    pollFinal = (control & kPollFinalBit) != 0 ? 1 : 0;
    kind = kindOfControl(control);
    if (carriesNr(kind)) {
        nr = (control >> kNrShift) & kSequenceMask;
    }
    if (kind == FrameKind::I) {
        ns = (control >> kNsShift) & kSequenceMask;
    }
    if (!carriesInfo(kind)) {
        return true;
    }

    const std::size_t pidOffset = kControlOffset + pathSize + 1;
    if (length < pidOffset + 1) {
        return false;
    }
    pid = bytes[pidOffset];
    const auto payload = bytes.subspan(pidOffset + 1);
    info.assign(payload.begin(), payload.end());
    return true;
}

std::vector<std::uint8_t> Ax25Frame::encode() const {
    const auto digipeaterCount = static_cast<std::size_t>(digipeaters.count());
    const std::size_t pathSize = kAddressWireSize * digipeaterCount;
    const bool withInfo = carriesInfo(kind);
    std::vector<std::uint8_t> bytes(pathSize + kAx25MinFrameSize +
                                    (withInfo ? 1 + info.size() : 0));
    const std::span<std::uint8_t> out(bytes);

    destination.encodeWire(out.subspan(0).first<kAddressWireSize>());
    source.encodeWire(out.subspan(kAddressWireSize).first<kAddressWireSize>());
    if (commandResponse == 1) {
        out[kSsidByte] |= kCommandBit;
    } else {
        out[kSourceSsidByte] |= kCommandBit;
    }
    out[kSsidByte] |= kReservedBits;
    out[kSourceSsidByte] |= kReservedBits;
    if (digipeaterCount == 0) {
        out[kSourceSsidByte] |= kExtensionBit;
    }

    for (std::size_t i = 0; i < digipeaterCount; ++i) {
        const std::size_t offset = kControlOffset + kAddressWireSize * i;
        digipeaters[static_cast<int>(i)].encodeWire(out.subspan(offset).first<kAddressWireSize>());
        if (static_cast<std::int64_t>(i) < repeatedCount) {
            out[offset + kSsidByte] |= kRepeatedBit;
        }
        if (i + 1 == digipeaterCount) {
            out[offset + kSsidByte] |= kExtensionBit;
        }
    }

    const std::size_t controlOffset = kControlOffset + pathSize;
    out[controlOffset] = controlOfFrame(*this);
    if (withInfo) {
        out[controlOffset + 1] = static_cast<std::uint8_t>(pid & kPidMask);
        std::copy(info.begin(), info.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(controlOffset + 2));
    }
    return bytes;
}

}  // namespace korvale
