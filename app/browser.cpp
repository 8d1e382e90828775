#include "app/browser.h"

#include "app/ui_seams.h"

#include <QFileInfo>
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

void LaunchHelpPage(const std::string& localPath) {
    const QString path = QString::fromStdString(localPath);
    if (!QFileInfo(path).isFile()) {
        ShowMessageBox(nullptr, "Could not find the help page " + localPath, {},
                       MessageButtons::Ok, MessageIcon::Exclamation);
        return;
    }
    const std::string url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(
                                QUrl::FullyEncoded).toStdString();
    if (CurrentUiSeams().OpenUrl(url))
        return;
    ShowMessageBox(nullptr, "Could not launch web browser", {}, MessageButtons::Ok,
                   MessageIcon::Exclamation);
}
