#include "platform/autostart.h"

#include <QDir>

namespace autostart {

RunValue runValue(const QString& directory, const QString& executableBaseName) {
    QString data = directory + QLatin1Char('\\') + executableBaseName + QLatin1String(".exe");
    if (data.contains(QLatin1Char(' ')))
        data = QLatin1Char('"') + data + QLatin1Char('"');
    return {executableBaseName, data};
}

QString configHome(const QByteArray& xdgConfigHome, const QString& homeDirectory) {
    const QString configured = QString::fromLocal8Bit(xdgConfigHome);
    // XDG base directories must be absolute; a relative one is ignored.
    return QDir::isAbsolutePath(configured)
               ? configured
               : QDir(homeDirectory).filePath(QStringLiteral(".config"));
}

QString autostartDirectory(const QByteArray& xdgConfigHome, const QString& homeDirectory) {
    return QDir(configHome(xdgConfigHome, homeDirectory)).filePath(QStringLiteral("autostart"));
}

QString desktopEntryFileName(const QString& executableBaseName) {
    return executableBaseName + QLatin1String(".desktop");
}

QString execArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);

    QString quoted = argument;
    if (needsQuotes) {
        quoted.clear();
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // The key file's own escapes apply on top of the quoting.
    QString escaped;
    for (const QChar c : quoted) {
        if (c == QLatin1Char('\\'))
            escaped += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QLatin1String("\\r");
        else if (c == QLatin1Char('%'))
            escaped += QLatin1String("%%");
        else
            escaped += c;
    }
    return escaped;
}

QString desktopEntry(const QString& name, const QString& executablePath) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Exec=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(name, execArgument(executablePath));
}

} // namespace autostart
