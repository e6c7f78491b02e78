// The discovery branch of the UDP listener.
#include "app/mainUnit.h"

void TfmPrincipal::discoveryAnswer(const QByteArray&, const QHostAddress&)
{
    answerFill = 0;
}
