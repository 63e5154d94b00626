#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>
#include <utility>
#include <vector>

// The desktop as far as opening addresses goes: the real xdg-open, in a
// session of its own whose only handler of the given schemes is a program
// registered in a temporary XDG data and config home. The program writes
// each address it is handed to a file, one a line.
class RecordingUrlHandler {
public:
    explicit RecordingUrlHandler(const QStringList& schemes) {
        const QString recorder = m_home.filePath("recorder");
        write(recorder, "#!/bin/sh\nprintf '%s\\n' \"$1\" >>\"$0.log\"\n");
        QFile::setPermissions(recorder, QFile::ReadOwner | QFile::ExeOwner);
        // The home is both the data home (applications/) and the config home (mimeapps.list).
        QDir(m_home.path()).mkpath("applications");
        write(m_home.filePath("applications/recorder.desktop"),
              "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + recorder.toUtf8() +
                  " %u\n");
        QByteArray defaults = "[Default Applications]\n";
        for (const QString& scheme : schemes)
            defaults += "x-scheme-handler/" + scheme.toUtf8() + "=recorder.desktop\n";
        write(m_home.filePath("mimeapps.list"), defaults);
        // A plain X session without a desktop environment, and no system-wide
        // handlers.
        for (const auto& [name, value] : {std::pair{"XDG_CURRENT_DESKTOP", QByteArray("X-Generic")},
                                          {"XDG_DATA_HOME", m_home.path().toUtf8()},
                                          {"XDG_CONFIG_HOME", m_home.path().toUtf8()},
                                          {"XDG_DATA_DIRS", m_home.filePath("none").toUtf8()}}) {
            m_saved.emplace_back(name, qEnvironmentVariableIsSet(name)
                                           ? std::optional(qgetenv(name))
                                           : std::nullopt);
            qputenv(name, value);
        }
    }
    ~RecordingUrlHandler() {
        for (const auto& [name, value] : m_saved)
            value ? qputenv(name, *value) : qunsetenv(name);
    }

    QByteArray addresses() const {
        QFile log(m_home.filePath("recorder.log"));
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

private:
    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

    QTemporaryDir m_home;
    std::vector<std::pair<const char*, std::optional<QByteArray>>> m_saved;
};
