#include "kiss/kiss_deframer.h"

#include <utility>

namespace korvale {

namespace {

// A data frame for TNC port 0.
constexpr std::uint8_t kDataFrameCommandByte = 0x00;

// Clears a flag when the scope ends, also if the callback throws.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& m_flag;
};

}  // namespace

KissDeframer::KissDeframer(FrameCallback onKissFrame) : m_onKissFrame(std::move(onKissFrame)) {}

void KissDeframer::ProcessKissBytes(std::span<const std::uint8_t> bytes) {
    if (m_delivering) {
        // Deframing now would overwrite the frame the callback is looking at.
        m_reentrantBytes.insert(m_reentrantBytes.end(), bytes.begin(), bytes.end());
        return;
    }
    if (!m_pKissRxBuffer) {
        m_pKissRxBuffer = std::make_unique<std::uint8_t[]>(kKissRxBufferSize);
        m_iKissRxCount = 0;
        m_bKissRxEscape = false;
    }
    deframe(bytes);
    while (!m_reentrantBytes.empty()) {
        std::vector<std::uint8_t> queued;
        queued.swap(m_reentrantBytes);
        deframe(queued);
    }
}

void KissDeframer::deframe(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
        switch (byte) {
            case FEND:
                endOfFrame();
                break;
            case FESC:
                // Not cleared by a second FESC: FESC FESC TFEND still yields 0xC0.
                m_bKissRxEscape = true;
                break;
            case TFEND:
                store(m_bKissRxEscape ? FEND : TFEND);
                m_bKissRxEscape = false;
                break;
            case TFESC:
                store(m_bKissRxEscape ? FESC : TFESC);
                m_bKissRxEscape = false;
                break;
            default:
                store(byte);
                m_bKissRxEscape = false;
                break;
        }
    }
}

void KissDeframer::endOfFrame() {
    const auto count = static_cast<std::size_t>(m_iKissRxCount);
    // An escaped FEND means the sender's framing is broken: the frame is
    // dropped rather than delivered with a byte missing.
    const bool deliver = !m_bKissRxEscape && count > 1 && count < kKissRxDeliverLimit &&
                         m_pKissRxBuffer[0] == kDataFrameCommandByte;
    m_iKissRxCount = 0;
    m_bKissRxEscape = false;
    if (deliver && m_onKissFrame) {
        FlagGuard delivering(m_delivering);
        m_onKissFrame(std::span<const std::uint8_t>(m_pKissRxBuffer.get() + 1, count - 1));
    }
}

}  // namespace korvale
