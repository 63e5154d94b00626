#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The texts that make a program start when the user logs in, built without
// touching the system so they can be checked on their own.
namespace autostart {

// Windows: one string value in the machine-wide Run key.
inline constexpr char kRunKey[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

struct RunValue {
    QString name; // the executable's name without its extension
    QString data; // directory, "\", name, ".exe"
};

// An unquoted path with a blank would let Windows start a planted program such
// as C:\Program.exe, so a path holding a blank is quoted.
RunValue runValue(const QString& directory, const QString& executableBaseName);

// Linux: a freedesktop desktop entry in the user's autostart directory.

// $XDG_CONFIG_HOME, or ~/.config when that is unset or not absolute. Qt 6.4's
// QStandardPaths would take a relative one as it stands, below the working folder.
QString configHome(const QByteArray& xdgConfigHome, const QString& homeDirectory);

// $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that is unset or not absolute.
QString autostartDirectory(const QByteArray& xdgConfigHome, const QString& homeDirectory);

QString desktopEntryFileName(const QString& executableBaseName);

// One argument of an Exec line: quoted when it holds a reserved character,
// escaped for the quotes and then for the key file, and with "%" doubled.
QString execArgument(const QString& argument);

// The whole entry that starts executablePath without arguments.
QString desktopEntry(const QString& name, const QString& executablePath);

} // namespace autostart
