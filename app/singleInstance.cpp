#include "app/singleInstance.h"

#include "link/instanceGuard.h"

namespace {

const QByteArray showRequest = QByteArrayLiteral("show\n");

}  // namespace

TSingleInstance::TSingleInstance(QObject* parent)
    : QObject(parent),
      server_(new instanceguard::TUserSocketServer(instanceguard::windowSocketName(), int(showRequest.size()), this))
{
    connect(server_, &instanceguard::TUserSocketServer::requestReceived, this, [this](const QByteArray& request) {
        if (request == showRequest)
            emit activationRequested();
    });
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::acquire()
{
    return server_->claim(showRequest) != instanceguard::TUserSocketServer::TClaim::HeldByOther;
}

QStringList TSingleInstance::problems() const
{
    return server_->problems();
}
