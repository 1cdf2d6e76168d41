// quillmar: the desktop program.

#include <QApplication>

#include "gui/app/AppWiring.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmar"));
    // Start-up reads no command line: the arguments only reach Qt itself.
    AppWiring wiring;
    if (!wiring.Main()) {
        return 1;
    }
    return QApplication::exec();
}
