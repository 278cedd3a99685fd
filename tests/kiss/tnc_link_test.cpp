#include <arpa/inet.h>
#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <future>
#include <iterator>
#include <thread>

#include "engine/gateway_engine.h"
#include "engine/line_monitor_view.h"
#include "gateway/fake_nic_driver.h"
#include "gateway/gateway_globals.h"
#include "kiss/com_device_name.h"
#include "kiss/com_handler_link.h"
#include "kiss/kiss_encoder.h"
#include "kiss/kiss_server.h"
#include "kiss/reconnecting_tnc_link.h"
#include "kiss_test_support.h"

namespace korvale {
namespace {

using namespace testing;

// Calls `done` until it returns true (then true) or 10 s have passed.
bool eventually(auto done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    bool met = false;
    while (!(met = done()) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    return met;
}

TEST(ComHandler, ComLinkOrTtySPortRunsEightNoneOneRtsCtsCarriesBytesAndRingHolds16383Bytes) {
    TempDirectory directory;  // before the handler, whose threads use it
    PtyPair pty;
    ASSERT_TRUE(pty.fd.valid()) << "no pseudo-terminal available";
    ASSERT_TRUE(directory.linkPort(7, pty.slavePath));
    ComHandler handler{makePosixSerialPort, directory.path()};
    EXPECT_EQ(ResolveComDevice(7, directory.path() + "/"), directory.path() + "/COM7");
    ASSERT_TRUE(directory.linkPort(1, directory.path() + "/unplugged"));  // still wins
    EXPECT_EQ(ResolveComDevice(1, directory.path()), directory.path() + "/COM1");
    EXPECT_EQ(ResolveComDevice(11, directory.path()), "/dev/ttyS10") << "taken for COM1";
    EXPECT_EQ(ResolveComDevice(0, directory.path()), "") << "port 0 names no device";
    ComHandlerLink link(handler);
    ASSERT_EQ(link.open(7, 12345), 0);
    EXPECT_EQ(handler.State(), 7);
    termios2 settings{};
    ASSERT_EQ(::ioctl(pty.fd.get(), TCGETS2, &settings), 0);  // the master tells the slave's
    EXPECT_EQ(settings.c_ospeed, 12345u) << "rate rounded to the classic table";
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL),
              CS8 | CRTSCTS | CLOCAL);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | INPCK), 0u);

    const std::string line = "C0 00 0D 0A 03 04 11 13 1A 7F DB DC FF 00 0D C0";
    ASSERT_TRUE(pty.send(bytes(line)));
    Bytes got;
    EXPECT_TRUE(eventually([&] {
        std::uint8_t piece[100];
        got.insert(got.end(), piece, piece + handler.Read(piece, 100));
        return got.size() >= bytes(line).size();
    }));
    EXPECT_EQ(got, bytes(line));
    ASSERT_TRUE(link.write(bytes(line)));
    ASSERT_EQ(handler.WriteString("ON\r"), 1);
    const Bytes expected = bytes(line + " 4F 4E 0D");
    EXPECT_EQ(pty.receive(expected.size()), expected) << "changed, reordered or echoed";

    // XOFF from the TNC stops the line, so the ring keeps what is queued.
    ASSERT_EQ(handler.Close(), 0);
    ASSERT_EQ(handler.Open(7, 9600, 8, 0, 0, 1, 2, 1), 0);
    ASSERT_TRUE(pty.send(bytes("13")));
    std::this_thread::sleep_for(50ms);
    const Bytes queued = patternBytes(16384, 3);
    EXPECT_EQ(handler.Write(queued), 0) << "took more than the ring holds";
    ASSERT_EQ(handler.Write(queued.data(), 16383), 1);
    EXPECT_EQ(handler.Write(queued.data(), 1), 0) << "overran unsent bytes";

    ASSERT_TRUE(pty.send(bytes("11")));
    EXPECT_TRUE(pty.receive(16383) == Bytes(queued.begin(), queued.end() - 1));
    // Freed, the ring wraps; all, and the exit text queued before Close, reach the TNC.
    const Bytes wrapped = patternBytes(3000, 5);
    EXPECT_TRUE(eventually([&] { return handler.Write(wrapped) == 1; }));
    EXPECT_EQ(handler.WriteString("\xC0\xFF\xC0"), 1);
    EXPECT_EQ(handler.Close(), 0);
    EXPECT_TRUE(pty.receive(wrapped.size()) == wrapped);
    EXPECT_EQ(pty.receive(4), bytes("C0 FF C0")) << "lost at Close";
}

const Bytes kSetUp = bytes(
    "4B 49 53 53 20 4F 4E 0D 52 45 53 54 41 52 54 0D "  // KISS ON\rRESTART\r
    "C0 01 14 C0 C0 02 3F C0 C0 03 01 C0 C0 04 00 C0 C0 05 00 C0");
constexpr std::string_view kNoLink = "Warning: No link to the TNC at ";

Bytes kissUi(std::string_view from, std::string_view to, int pid, const std::string& text) {
    return encodeKissFrame(
        0, frameOf(from, to, "", 0, Ui, 1, 0, 0, 0, pid, Bytes(text.begin(), text.end())).encode());
}

sockaddr_in loopback(int port) {
    return {AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
}

Peer connectTo(int port, int receiveBuffer = 0) {
    Peer c{FileDescriptor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0))};
    if (receiveBuffer > 0) {
        ::setsockopt(c.fd.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    const sockaddr_in where = loopback(port);
    EXPECT_TRUE(!::connect(c.fd.get(), reinterpret_cast<const sockaddr*>(&where), sizeof where) ||
                errno == EINPROGRESS);
    return c;
}

struct TcpTnc {
    explicit TcpTnc(int backlog = 4) {
        sockaddr_in where = loopback(0);
        socklen_t length = sizeof where;
        ::bind(listener.get(), reinterpret_cast<sockaddr*>(&where), length);
        EXPECT_EQ(::listen(listener.get(), backlog), 0);
        ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&where), &length);
        port = ntohs(where.sin_port);
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(port); }
    Peer accept() const {
        pollfd ready{listener.get(), POLLIN, 0};
        return {FileDescriptor(
            ::poll(&ready, 1, 10000) != 1
                ? -1
                : ::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK))};
    }

    FileDescriptor listener{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    int port = 0;
};

struct Station {
    explicit Station(const std::string& tcpAddress, int port = 0) {
        settings.m_sTncTcpAddress = tcpAddress;
        settings.m_iTncPort = port;
        EXPECT_TRUE(settings.m_UnprotoSource.parse("NOCALL") && settings.m_UnprotoDest.parse("CQ"));
        handler.SetNotifyCallback([this](int) { ++announced; });
        engine.setKissServer(&server);
    }

    bool tickUntil(auto done) {
        return eventually([&] { return done() || (tick(), false); });
    }
    void tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            engine.EngineTick();
            if (announced.exchange(0) > 0) {
                ++notifications;
                engine.OnSerialNotification();
            }
        }
    }
    int linesWith(std::string_view text) const {
        return static_cast<int>(std::ranges::count_if(
            shown, [&](const std::string& line) { return line.find(text) != std::string::npos; }));
    }
    Bytes receiveTicking(const Peer& peer, std::size_t count) {
        Bytes got;
        tickUntil([&] {
            const Bytes piece = peer.receive(count - got.size(), 0ms);
            got.insert(got.end(), piece.begin(), piece.end());
            return got.size() >= count;
        });
        return got;
    }

    TempDirectory directory;
    Settings settings;
    std::atomic<int> announced{0};
    int notifications = 0;
    ComHandler handler{makePosixSerialPort, directory.path()};
    ReconnectingTncLink link{settings, handler, directory.path(), [this] { ++announced; }};
    KissServer server{[this] { ++announced; }};
    std::unique_ptr<FakeNicDriver> ownedDriver = std::make_unique<FakeNicDriver>();
    FakeNicDriver& driver = *ownedDriver;
    NicDevice nic{std::move(ownedDriver)};
    std::vector<std::string> shown;
    LineMonitorView view{[this](std::string_view line) { shown.emplace_back(line); }};
    GatewayEngine engine{settings, link, nic, view};
};

TEST(TcpTnc, PeerThatNeverAcceptsHoldsUpNeitherTheTicksNorTheExit) {
    TcpTnc listener(0);  // with its accept queue full, further connections hang
    const Peer queued[] = {connectTo(listener.port), connectTo(listener.port)};
    Station station(listener.address());
    station.tick(30);
    EXPECT_EQ(station.linesWith("RESTART"), 1) << "the set-up did not go on";
    EXPECT_EQ(station.linesWith(kNoLink), 0) << "gave up before its connect time";
    station.engine.Shutdown();  // ends the attempt under way
}

TEST(SerialTnc, DeviceThatGoesAwayIsWaitedForAndGetsTheSetUpWhenBack) {
    constexpr int kPort = 7;
    Station station("", kPort);
    auto first = std::make_unique<PtyPair>();
    ASSERT_TRUE(first->fd.valid() && station.directory.linkPort(kPort, first->slavePath));
    EXPECT_EQ(station.receiveTicking(*first, kSetUp.size()), kSetUp);
    first.reset();  // unplugged
    ASSERT_TRUE(station.tickUntil([&] { return station.linesWith(kNoLink) == 1; }));
    EXPECT_EQ(station.linesWith(std::string(kNoLink) + "COM7! Trying again every 5 seconds."), 1);
    station.engine.SendUnprotoLine("nobody hears this\r");
    station.tick(kReconnectTicks + 10);
    EXPECT_EQ(station.linesWith(kNoLink), 1);
    PtyPair second;  // plugged in again
    ASSERT_TRUE(second.fd.valid() && station.directory.linkPort(kPort, second.slavePath));
    const std::string back =
        "The link to the TNC at COM7 is back; frames dropped while it was down: 1.";
    ASSERT_TRUE(station.tickUntil([&] { return station.linesWith(back) == 1; }));
    EXPECT_EQ(station.receiveTicking(second, kSetUp.size()), kSetUp);
}

TEST(KissServer, TcpTncGetsSetUpAndExitTextClientsShareItButCannotHoldUpOrFloodKorvale) {
    TcpTnc listener;
    Station station(listener.address());
    const int port = TcpTnc().port;
    station.settings.m_sKissServerAddress = "127.0.0.1:" + std::to_string(port);
    ASSERT_TRUE(GatewayOwnAddress.parse("NOCALL-7"));
    station.tick(3);
    const Peer tnc = listener.accept();
    EXPECT_EQ(tnc.receive(kSetUp.size()), kSetUp)
        << "written while connecting, sent once connected";
    // Line noise before a frame, while no client is there to get what it deframes to.
    const Bytes heard = kissUi("AB1CDE", "NOCALL", 0xF0, "heard on air");
    ASSERT_TRUE(tnc.send(patternBytes(64 * 1024, 9)) && tnc.send(heard));
    EXPECT_TRUE(station.tickUntil([&] { return station.linesWith("heard on air") == 1; }));
    EXPECT_GT(station.notifications, 0);

    const Peer reader = connectTo(port);
    auto sleeper = std::make_unique<Peer>(connectTo(port, 4096));  // stops reading
    ASSERT_TRUE(station.tickUntil([&] { return station.linesWith(" connected.") == 2; }));
    EXPECT_EQ(station.linesWith("KISS client 127.0.0.1:"), 2);
    ASSERT_TRUE(tnc.send(heard));
    EXPECT_EQ(station.receiveTicking(reader, heard.size()), heard);
    EXPECT_EQ(station.receiveTicking(*sleeper, heard.size()), heard);

    // A too-short frame, a TxDelay command and a port-3 frame stay; the good one goes.
    const Bytes own = kissUi("KV1CLI", "APRS", 0xF0, "from a client");
    Bytes sent = bytes("C0 00 82 84 62 86 C0 C0 01 05 C0");
    sent.insert(sent.end(), own.begin(), own.end());
    sent[sent.size() - own.size() + 1] = 0x30;
    sent.insert(sent.end(), own.begin(), own.end());
    ASSERT_TRUE(reader.send(sent));
    EXPECT_EQ(station.receiveTicking(tnc, own.size()), own) << "the others came first";
    EXPECT_EQ(station.linesWith("KV1CLI>APRS>UI"), 1);

    std::vector<Peer> more;
    std::generate_n(std::back_inserter(more), 6, [&] { return connectTo(port); });
    ASSERT_TRUE(station.tickUntil([&] { return station.linesWith(" connected.") == 8; }));
    EXPECT_TRUE(connectTo(port).hungUp()) << "a ninth client";
    more.clear();

    // 250 kB/s heard, the sleeper reads none: the reader gets it all, adapter frames still leave.
    Bytes lot;
    for (int i = 0; i < 1200; ++i) {
        const Bytes frame = kissUi("AB1CDE", "NOCALL", 0xF0, std::string(230, 'a' + i % 26));
        lot.insert(lot.end(), frame.begin(), frame.end());
    }
    auto flooding = std::async(std::launch::async, [&] {
        bool ok = true;
        for (std::size_t at = 0; at < lot.size() && ok; at += lot.size() / 12) {
            ok = tnc.send(std::span(lot).subspan(at, lot.size() / 12));
            std::this_thread::sleep_for(100ms);
        }
        return ok;
    });
    EXPECT_TRUE(station.receiveTicking(reader, lot.size()) == lot) << "lost, changed or reordered";
    EXPECT_TRUE(flooding.get());
    station.driver.hostFrames = {bytes("82 84 0A 36 3A 3C 53 4D 52 44 52 56 08 00 31")};
    station.engine.OnAdapterReadable();
    // AB1CDE-7 from NOCALL-7, UI, PID 0xCC, the datagram's one byte.
    const Bytes fromHost = bytes("C0 00 82 84 62 86 88 8A EE 9C 9E 86 82 98 98 6F 03 CC 31 C0");
    EXPECT_EQ(station.receiveTicking(tnc, fromHost.size()), fromHost);
    EXPECT_TRUE(reader.receive(1, 100ms).empty()) << "a client's frame came back";

    const Peer endless = connectTo(port);
    Bytes noEnd = bytes("C0 00");
    noEnd.resize(1 << 20, 0x41);
    endless.send(noEnd);  // the kernel may take it all before the server hangs up
    EXPECT_TRUE(endless.hungUp());
    ASSERT_TRUE(station.tickUntil([&] { return station.linesWith(" disconnected.") == 7; }));
    sleeper.reset();
    ASSERT_TRUE(station.tickUntil([&] {
        return station.linesWith("disconnected; frames dropped because it did not read: ") == 1;
    }));

    // Nothing of the endless frame went on: the TNC gets a typed line, then the exit text.
    station.engine.SendUnprotoLine("73 de NOCALL\r");
    const Bytes unproto = kissUi("NOCALL", "CQ", 0, "73 de NOCALL\r");
    EXPECT_EQ(tnc.receive(unproto.size()), unproto);
    station.engine.Shutdown();
    EXPECT_EQ(tnc.receive(3), bytes("C0 FF C0"));
    EXPECT_TRUE(tnc.hungUp());
    EXPECT_EQ(station.linesWith(kNoLink), 0);
}

}  // namespace
}  // namespace korvale
