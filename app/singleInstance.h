// One copy of the tool per user: the answers of the devices come to UDP port 4040, and a
// second copy bound to it would take answers meant for the first. The first copy listens
// on a local socket of this user (link/instanceGuard.h says where and whom it trusts); a
// second one finds it there, asks it to come to the front and stops.
#pragma once

#include <QObject>
#include <QStringList>

namespace instanceguard {
class TUserSocketServer;
}

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when this is the only copy (it now listens for later ones), or when no place of
    // this user's own could be used (problems() says why); false when another copy of this
    // user runs, which has been asked to show its window.
    bool acquire();

    // Lines for the user on what the guard refused or could not use.
    QStringList problems() const;

signals:
    // A second copy was started and stopped: the running window should come to the front.
    void activationRequested();

private:
    instanceguard::TUserSocketServer* server_ = nullptr;
};
