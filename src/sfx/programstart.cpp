#include "sfx/programstart.h"

#include <QApplication>

namespace sfx {

ProgramStart startProgram(int& argc, char** argv)
{
    ProgramStart start;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--unattended") == 0)
            start.unattended = true;
    }
    if (start.unattended)
        start.app = std::make_unique<QCoreApplication>(argc, argv);
    else
        start.app = std::make_unique<QApplication>(argc, argv);
    return start;
}

} // namespace sfx
