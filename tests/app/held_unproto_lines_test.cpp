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
    EXPECT_EQ(r.written(), hex(std::string_view("KISS ON\r")) + " | " + kiss(kCq + "43 51 0D") +
                               " | " + kiss(kCq + "64 65 0D"));
    held.offer("73\r");
    r.tick();
    held.release();
    EXPECT_EQ(r.written(), kiss(kCq + "37 33 0D") + " | " + hex(std::string_view("RESTART\r")));
    EXPECT_EQ(Lines(r.shown.begin(), r.shown.begin() + 4),
              (Lines{"Initializing TNC...", "KISS ON", "CQ", "NOCALL/RELAY>CQ>UI,C,00:"}));
}

}  // namespace
}  // namespace korvale::testing
