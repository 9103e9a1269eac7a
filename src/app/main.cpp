// main.cpp: start-up of brelvano. The application object, the main window, the event loop.
//
// The program reads no command line and no settings: Qt is shown only the program's own name, so
// that no argument can change how it runs.
#include <QApplication>

#include "data/data_modules.h"
#include "data/qt/system_regional_settings.h"
#include "ui/Unit1.h"

int main(int argc, char* argv[]) {
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    // The installed menu entry's name: desktops match the running window to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brelvano.brelvano"));
    data::loadSystemRegionalSettings();  // read again when the platform announces a change
    data::DataModules modules;           // every data module lives until the program ends
    ui::TForm1 form(modules);
    form.show();
    return QApplication::exec();
}
