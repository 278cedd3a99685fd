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

constexpr std::uint8_t kIFrameBit = 0x01;       // clear in every I frame
constexpr std::uint8_t kUFrameBit = 0x02;       // set in U frames, clear in S frames
constexpr std::uint8_t kSFrameTypeMask = 0x0F;  // type and frame bits, without N(R) and P/F
constexpr std::uint8_t kUFrameTypeMask = 0xEF;  // everything but P/F

// Each kind with its name and its control byte without N(R), N(S) and P/F,
// in the order of FrameKind. Decoding looks a received control byte up here
// (an I frame is told by its low bit alone); encoding reads it back out.
struct KindRow {
    std::string_view name;
    std::uint8_t control;
};

constexpr std::array<KindRow, 11> kKinds = {{
    {"UNKN", 0x00},
    {"SABM", 0x2F},
    {"DISC", 0x43},
    {"UA", 0x63},
    {"DM", 0x0F},
    {"RR", 0x01},
    {"RNR", 0x05},
    {"REJ", 0x09},
    {"FRMR", 0x87},
    {"I", 0x00},
    {"UI", 0x03},
}};

const KindRow& rowOf(FrameKind kind) {
    const auto code = static_cast<std::int32_t>(kind);
    if (code < 0 || code >= static_cast<std::int32_t>(kKinds.size())) {
        return kKinds[0];
    }
    return kKinds[static_cast<std::size_t>(code)];
}

bool carriesInfo(FrameKind kind) {
    return kind == FrameKind::I || kind == FrameKind::Ui;
}

bool carriesNr(FrameKind kind) {
    return kind == FrameKind::I || kind == FrameKind::Rr || kind == FrameKind::Rnr ||
           kind == FrameKind::Rej;
}

FrameKind kindOfControl(std::uint8_t control) {
    if ((control & kIFrameBit) == 0) {
        return FrameKind::I;
    }
    // The masked byte keeps its low bit set, so the rows of UNKN and I
    // (control 0) never match.
    const std::uint8_t type =
        control & ((control & kUFrameBit) == 0 ? kSFrameTypeMask : kUFrameTypeMask);
    for (std::size_t code = 0; code < kKinds.size(); ++code) {
        if (kKinds[code].control == type) {
            return static_cast<FrameKind>(code);
        }
    }
    return FrameKind::Unknown;
}

// N(R) and N(S) are masked to three bits: an out-of-range number would
// otherwise spill into the type bits and send a different kind of frame.
std::uint8_t controlOfFrame(const Ax25Frame& frame) {
    std::uint8_t control = rowOf(frame.kind).control;
    if (carriesNr(frame.kind)) {
        control |= static_cast<std::uint8_t>((frame.nr & kSequenceMask) << kNrShift);
    }
    if (frame.kind == FrameKind::I) {
        control |= static_cast<std::uint8_t>((frame.ns & kSequenceMask) << kNsShift);
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
    return rowOf(kind).name;
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
