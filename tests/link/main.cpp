#include <QApplication>

int runFrameTests(int argc, char** argv);
int runUsbTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int failures = runFrameTests(argc, argv) + runUsbTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
