#include "shell/LoginPassword.h"

#include "platform/Runtime.h"

std::string ReadLoginPassword(platform::Connection& conn) {
    platform::Recordset rs;
    rs.Open("select a.valueFrom from defaultParameter a where a.paramCd = 'loginPwd'", conn);
    std::string stored;
    for (; !rs.Eof(); rs.MoveNext()) stored = rs.Fields("valueFrom").AsText();
    return platform::Trim(stored);
}
