// KISS protocol constants and the one-byte values of the parameter commands.
//
// Every frame on the serial line is FEND, command byte, escaped payload, FEND.
// The command byte carries the TNC port in its high four bits and the command
// in its low four; Korvale only ever talks to port 0, so the byte equals the
// command code.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace korvale {

inline constexpr std::uint8_t FEND = 0xC0;   // frame end: opens and closes every frame
inline constexpr std::uint8_t FESC = 0xDB;   // frame escape: the next byte is transposed
inline constexpr std::uint8_t TFEND = 0xDC;  // after FESC: a data byte 0xC0
inline constexpr std::uint8_t TFESC = 0xDD;  // after FESC: a data byte 0xDB

// The receiver collects one frame here: its command byte, then its
// unescaped bytes.
inline constexpr std::size_t kKissRxBufferSize = 8192;

// A frame is delivered only while its collected count (command byte
// included) stays below this, so a frame that filled the buffer is dropped
// whole rather than delivered cut short.
inline constexpr std::size_t kKissRxDeliverLimit = kKissRxBufferSize - 1;

// Largest AX.25 frame the receiver delivers: 8190 collected bytes less the
// command byte.
inline constexpr std::size_t kKissMaxDeliveredFrameSize = kKissRxDeliverLimit - 2;

enum class KissCommand : std::uint8_t {
    Data = 0,  // payload is one AX.25 frame
    TxDelay = 1,
    Persistence = 2,
    SlotTime = 3,
    TxTail = 4,
    FullDuplex = 5,
};

struct KissParameter {
    KissCommand command;
    std::uint8_t value;

    friend constexpr bool operator==(const KissParameter&, const KissParameter&) = default;
};

// The TNC counts time in 10 ms units and holds each parameter in one byte.
// Values outside 0..255 saturate: a hand-edited TxDelay of 3000 ms becomes
// 2550 ms, where keeping only the low eight bits would send 440 ms, and
// 2560 ms would turn into no delay at all.
constexpr std::uint8_t kissParameterByte(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

inline constexpr int kKissTimeUnitMs = 10;

// The five parameter commands the TNC is given after the init text, in the
// order they are sent: TxDelay, persistence, slot time, TxTail, full duplex.
// Times are in milliseconds; persistence is sent as is; any non-zero
// fullDuplex sends 1.
constexpr std::array<KissParameter, 5> kissParameterCommands(int txDelayMs, int persist,
                                                             int slotTimeMs, int txTailMs,
                                                             int fullDuplex) {
    return {{
        {KissCommand::TxDelay, kissParameterByte(txDelayMs / kKissTimeUnitMs)},
        {KissCommand::Persistence, kissParameterByte(persist)},
        {KissCommand::SlotTime, kissParameterByte(slotTimeMs / kKissTimeUnitMs)},
        {KissCommand::TxTail, kissParameterByte(txTailMs / kKissTimeUnitMs)},
        {KissCommand::FullDuplex, static_cast<std::uint8_t>(fullDuplex != 0 ? 1 : 0)},
    }};
}

}  // namespace korvale
