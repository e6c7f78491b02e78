// Placeholder so that the window links before the exchange helper lands.
#include "link/exchange.h"
#include "app/mainUnit.h"

void TEventLoopWaiter::poll(TfmPrincipal&, const std::function<bool()>&) {}
TExchange::TExchange(TfmPrincipal& window) : window_(window), waiter_(std::make_unique<TEventLoopWaiter>()) {}
TExchange::~TExchange() = default;
TExchangeOutcome TExchange::run(const TExchangeSpec&) { return TExchangeOutcome::LinkClosed; }
bool TExchange::send(TLinkKind, const QByteArray&, const QString&) { return false; }
bool TExchange::waitAnswer(int, const std::function<void(int)>&) { return false; }
bool TExchange::validate(int) const { return false; }
void TExchange::setWaiter(std::unique_ptr<TPollWaiter> waiter) { waiter_ = std::move(waiter); }
