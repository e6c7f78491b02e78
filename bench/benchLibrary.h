// The site library the library benchmarks work on: 10000 IR codes as an NEC learning leaves
// them, a 68-duration line and a 135-duration capture each, learned a minute apart.
#pragma once

#include "library/siteLibrary.h"

inline TSiteLibrary benchLibrary()
{
    TSiteLibrary lib;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 10000; ++i) {
        libraryCode_t c;
        c.name = QString("Controle %1 tecla %2").arg(i / 40).arg(i % 40);
        for (int k = 0; k < 135; ++k)
            c.captured.push_back(uint16_t(k % 2 ? 21 + 43 * ((k * 7 + i) % 2) : 21));
        c.captured[0] = 342;
        c.captured[1] = 171;
        c.line = "sendir,1:8,1,38000,1,1";
        for (int k = 0; k < 68; ++k)
            c.line += "," + QString::number(c.captured[size_t(k)]);
        c.frameLength = 68;
        c.carrier = 38000;
        c.protocol = libraryProtocol_t {"nec", uint32_t(i % 256), uint32_t(i / 256), 0};
        c.learnedAt = now.addSecs(-i * 60);
        c.unitMac = "00:1A:2B:3C:4D:5E";
        lib.addCode(c);
    }
    return lib;
}
