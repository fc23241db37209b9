#pragma once

#include "document/calverdinedocument.h"
#include "document/support/snapshotbuilder.h"
#include "support/faketabs.h"

#include <memory>

// The login page of the tests: user, password, "remember me", a hidden token, a radio
// group and a text area, in the form "login" of http://127.0.0.2/app/login.html.
inline std::unique_ptr<TCalverdineDocument> BuildLoginPage(TPageChannel* channel)
{
    TSnapshotBuilder b;
    const QString url = QStringLiteral("http://127.0.0.2/app/login.html");
    auto& top = b.document(url);
    const int form = top.form("login", "/app/login");
    top.input(form, "text", "user", "admin");
    top.input(form, "password", "pass", "secret-1");
    top.input(form, "checkbox", "remember", "on", { { "checked", true } });
    top.input(form, "hidden", "token", "T0K3N");
    top.input(form, "radio", "sex", "m", { { "checked", true } });
    top.input(form, "radio", "sex", "f");
    top.textarea(form, "note", "a=b");
    auto model = std::make_unique<TCalverdineDocument>(url);
    model->Parse(b.build(channel), TScreenIDSettings());
    return model;
}
