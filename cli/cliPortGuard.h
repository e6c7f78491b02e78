// Whether `ondix` may use UDP port 4040 and the cable beside this user's other programs: the
// window, another `ondix`, or some other program. The window and `ondix` meet through the
// per-user guard (link/instanceGuard.h): the tool asks whether the window runs, binds the port,
// then marks that it holds it and asks again, so that whichever of the two looks last sees the
// other.
#pragma once

#include <QString>

#include <memory>

namespace instanceguard {
class TPortHolderMark;
}

namespace ondixcli {

class TPortGuard {
public:
    TPortGuard();
    ~TPortGuard();

    // Before the session binds the port: empty unless the window runs.
    QString beforeBinding();
    // Once the session tried: takes the mark when it holds the port. Empty when the tool
    // may go on; otherwise the line that says who has the port (or the window the cable).
    QString afterBinding(bool bound);
    // Why the port could not be bound (the session did not get it).
    static QString unboundProblem();

private:
    std::unique_ptr<instanceguard::TPortHolderMark> mark_;
};

}  // namespace ondixcli
