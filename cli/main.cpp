// `ondix`: the Ondix from the command line, over the same device API as the window.
#include "cli/cliCommands.h"
#include "cli/cliOptions.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream input(stdin);
    ondixcli::TConsole console {out, err, isatty(fileno(stderr)) != 0};

    const ondixcli::TParse parse = ondixcli::parseArguments(app.arguments().mid(1));
    if (!parse.run) {
        out << parse.output;
        if (!parse.error.isEmpty())
            err << parse.error << Qt::endl;
        return parse.exitCode;
    }
    const ondixcli::TCliOptions& options = parse.options;
    const int code = ondixcli::isOffline(options.command) ? ondixcli::runOffline(options, console, input)
                                                          : ondixcli::runCommand(options, console, input);
    out.flush();
    err.flush();
    return code;
}
