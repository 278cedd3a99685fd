#include "app/held_unproto_lines.h"

#include "engine/engine_fixture.h"

namespace korvale::testing {
namespace {

TEST(HeldUnprotoLines, LinesBeforeTheFirstTickGoOutRightAfterItInOrder) {
    Rig r;
    HeldUnprotoLines held([&r](const std::string& line) { r.engine.SendUnprotoLine(line); });
    held.offer("CQ\r");
    held.offer("de\r");
    EXPECT_EQ(r.written(), "");
    EXPECT_TRUE(r.shown.empty());
    r.tick();
    held.release();
    // CQ from NOCALL via RELAY, UI, PID 0; after the first line of the init text.
    const std::string cq = "86 A2 40 40 40 40 E0" + kNocall + "60 A4 8A 98 82 B2 40 01 03 00 ";
    EXPECT_EQ(r.written(), hex(std::string_view("KISS ON\r")) + " | " + kiss(cq + "43 51 0D") +
                               " | " + kiss(cq + "64 65 0D"));
    held.offer("73\r");
    r.tick();
    held.release();
    EXPECT_EQ(r.written(), kiss(cq + "37 33 0D") + " | " + hex(std::string_view("RESTART\r")));
    EXPECT_EQ(Lines(r.shown.begin(), r.shown.begin() + 4),
              (Lines{"Initializing TNC...", "KISS ON", "CQ", "NOCALL/RELAY>CQ>UI,C,00:"}));
}

}  // namespace
}  // namespace korvale::testing
