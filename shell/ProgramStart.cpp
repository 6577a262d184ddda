#include "shell/ProgramStart.h"

#include <QCoreApplication>
#include <QPointer>
#include <filesystem>

#include "platform/AppPath.h"
#include "platform/MsgBox.h"
#include "shell/frmMainCode.h"
#include "shell/login_form.h"

bool StartProgram() {
    const std::string db = platform::DatabasePath();
    if (!std::filesystem::is_regular_file(db)) {
        platform::MsgBox("找不到数据库文件：" + db);
        return false;
    }
    auto* login = new login_form;
    auto* loggedIn = new bool(false);
    QObject::connect(login, &login_form::loggedIn, [loggedIn] {
        *loggedIn = true;
        auto* strip = new frmMainCode;
        strip->Show();
    });
    // Closing the login window without logging in ends the program.
    QObject::connect(login, &platform::Form::unloaded, [loggedIn] {
        if (!*loggedIn) QCoreApplication::exit(0);
        delete loggedIn;
    });
    login->Show();
    return true;
}
