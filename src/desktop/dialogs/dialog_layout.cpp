#include "desktop/dialogs/dialog_layout.h"

#include "lang/ui_texts.h"

namespace korvale {

DialogLayout LayoutOfDialog(std::string_view section) {
    if (section == kSectionTcpIpDialog) {
        return {.rows = {{1003}, {1018}}};  // callsign, suppress broadcasts
    }
    if (section == kSectionTncDialog) {
        // TxDelay, TxTail, Persist, SlotTime, full duplex, radio rate, init, exit
        return {.rows = {{1004}, {1005}, {1006}, {1007}, {1012}, {1014}, {1010}, {1011}},
                .helpButton = true};
    }
    if (section == kSectionMonitorDialog) {
        // I, SABM...; UI, RR...; then the IP/ARP headers below the group
        return {.groupTitle = "Show frames",
                .groupRows = {{1014, 1009}, {1010, 1011}},
                .rows = {{1012}}};
    }
    if (section == kSectionUnprotoDialog) {
        return {.rows = {{1015}, {1016}, {1017}}};  // source, destination, digis
    }
    if (section == kSectionBeaconDialog) {
        // source, destination, digis, text, interval beside "Enable beacon"
        return {.rows = {{1015}, {1016}, {1017}, {1007}, {1004, 1008}}};
    }
    return {};
}

}  // namespace korvale
