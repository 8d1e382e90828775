#include "program/run_program.h"

#include <QApplication>
#include <QTimer>
#include <string>
#include <vector>

#include "app/app_controller.h"
#include "program/tool_window_factory.h"
#include "app/qt_ui_dispatcher.h"
#include "app/tambrel_app.h"
#include "collection/catalog_message.h"
#include "platform/ui_dispatcher.h"

int RunTambrelProgram(int argc, char** argv, const std::function<void()>& started) {
    QApplication application(argc, argv);
    // Devices and timers made from here on run on this event loop.
    QtUiDispatcher dispatcher;
    SetUiDispatcher(&dispatcher);
    SetCatalogMessageHook(ShowCatalogMessageBox);

    int status = 0;
    {
        ProgramToolWindowFactory factory;
        TambrelGlobals globals;
        theController->SetToolWindowFactory(&factory);
        std::vector<std::string> arguments;
        const QStringList args = QCoreApplication::arguments();
        for (qsizetype i = 1; i < args.size(); ++i)
            arguments.push_back(args[i].toStdString());
        if (theApp->InitInstance(arguments)) {
            if (started)
                QTimer::singleShot(0, &application, started);
            status = QApplication::exec();
        } else {
            status = 1;
        }
        theApp->DestroyMainFrame();
    }
    SetCatalogMessageHook(nullptr);
    SetUiDispatcher(nullptr);
    return status;
}
