// Whether `ondix` may take UDP port 4040 beside this user's other programs. Asked before the
// session binds the port, and kept for as long as the tool runs.
#pragma once

#include <QString>

namespace ondixcli {

class TPortGuard {
public:
    // Empty when the tool may go on; otherwise the line that says who holds the port (or,
    // for the window, the cable as well).
    QString acquire();
};

}  // namespace ondixcli
