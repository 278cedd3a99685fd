// Where the fields of each settings dialog stand, top to bottom. The order
// the user sees differs from the order the fields are exchanged in (the
// KISS TNC dialog checks Persist before the times above it), so the layout
// is kept apart from the dialog descriptions and names fields by control id.
#pragma once

#include <string_view>
#include <vector>

namespace korvale {

// One line of a dialog: one field, or two side by side.
struct LayoutRow {
    int first = 0;   // control id
    int second = 0;  // control id, 0 for none
};

struct DialogLayout {
    // A group box over the first rows, when the title is not empty.
    std::string_view groupTitle{};
    std::vector<LayoutRow> groupRows{};
    std::vector<LayoutRow> rows{};  // below the group, or the whole dialog
    bool helpButton = false;        // "Help..." with the control-codes text
};

// The layout of the dialog translated under section; empty for a section
// without one, and the dialog then lists its fields in exchange order.
DialogLayout LayoutOfDialog(std::string_view section);

}  // namespace korvale
