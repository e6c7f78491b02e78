#include "cli/cliPortGuard.h"

#include "link/instanceGuard.h"

namespace ondixcli {

namespace {

QString windowLine()
{
    return QStringLiteral("O OndixSetup está aberto neste computador e usa a porta UDP 4040 e o cabo USB: "
                          "feche a janela para usar o ondix.");
}

}  // namespace

TPortGuard::TPortGuard() = default;
TPortGuard::~TPortGuard() = default;

QString TPortGuard::beforeBinding()
{
    return instanceguard::windowRunning() ? windowLine() : QString();
}

QString TPortGuard::afterBinding(bool bound)
{
    if (!bound)
        return {};  // the network is refused when a command needs it (unboundProblem)
    mark_ = std::make_unique<instanceguard::TPortHolderMark>();
    if (mark_->state() == instanceguard::TPortHolderMark::TState::OtherCommandLine)
        return QStringLiteral("Outro ondix está usando a porta UDP 4040: espere que ele termine.");
    // The window may have started between the first look and the mark.
    return instanceguard::windowRunning() ? windowLine() : QString();
}

QString TPortGuard::unboundProblem()
{
    if (instanceguard::commandLineHoldsPort())
        return QStringLiteral("Outro ondix está usando a porta UDP 4040: espere que ele termine.");
    return QStringLiteral("A porta UDP 4040 está em uso por outro programa: sem ela nenhuma Ondix responde pela "
                          "rede. Feche o outro programa, ou use --usb.");
}

}  // namespace ondixcli
