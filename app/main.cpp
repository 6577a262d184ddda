// PraveltaKVT: the program starts with its login window.
#include <QApplication>
#include <clocale>

#include "app/AutomationScript.h"
#include "app/WorkingForms.h"
#include "platform/Fonts.h"
#include "platform/GuardedApplication.h"
#include "platform/QtMsgBox.h"
#include "platform/QtTranslations.h"
#include "shell/ProgramStart.h"

int main(int argc, char** argv) {
    // An exception a handler lets escape is reported and the program goes on.
    platform::GuardedApplication app(argc, argv);
    // Amounts are read and written in the C locale whatever the user's locale says.
    std::setlocale(LC_ALL, "C");
    QApplication::setApplicationName("PraveltaKVT");
    // The program ends only through the login window or the main strip.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::InstallFontSubstitutions();
    platform::InstallQtChineseTranslations();
    platform::InstallQtMsgAnswerer();
    InstallWorkingForms();
    StartAutomationIfRequested();
    if (!StartProgram()) return 1;
    return QApplication::exec();
}
