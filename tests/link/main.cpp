#include "linkTests.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    failures += runFrameTests(argc, argv);
    failures += runUsbLinkTests(argc, argv);
    failures += runUsbWindowTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
