#include "app/browser.h"

#include "app/ui_seams.h"

#include <QProcess>
#include <QStringList>
#include <QUrl>

bool RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
    if (program.empty())
        return false;
    QStringList args;
    for (const auto& a : arguments)
        args << QString::fromStdString(a);
    return QProcess::startDetached(QString::fromStdString(program), args);
}

bool IsWebLink(const std::string& url) {
    QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty())
        return false;
    QString scheme = parsed.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("ftp");
}

void LaunchWebBrowser(const std::string& url) {
    if (IsWebLink(url) && CurrentUiSeams().OpenUrl(url))
        return;
    ShowMessageBox(nullptr, "Could not launch web browser", {}, MessageButtons::Ok,
                   MessageIcon::Exclamation);
}
