// One copy of the tool per user: the answers of the devices come to UDP port 4040, and a
// second copy bound to it would take answers meant for the first. The first copy listens
// on a local socket; a second one finds it there, asks it to come to the front and stops.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` identifies the tool for this user; tests use names of their own.
    explicit TSingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when this is the only copy (it now listens for later ones); false when another
    // copy runs, which has been asked to show its window.
    bool acquire();

    static QString defaultName();

signals:
    // A second copy was started and stopped: the running window should come to the front.
    void activationRequested();

private:
    QString name_;
    QLocalServer* server_ = nullptr;
};
