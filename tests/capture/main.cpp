#include "captureTestSupport.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    failures += runRfAnalysisTests(argc, argv);
    failures += runIrSelectionTests(argc, argv);
    failures += runCaptureCorpusTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
