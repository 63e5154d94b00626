#include "app/commandline.h"

#include "version.h"

#include <cstdio>

using namespace Qt::StringLiterals;

namespace commandline {

namespace {

struct About {
    QString name;
    QString version;
    QString summary;
    QString environment;
};

About about(Program program) {
    if (program == Program::Tarvex)
        return {
            u"Tarvex"_s, QStringLiteral(TARVEX_VERSION),
            u"Shows the maker's rumour and news pages and tells when the rumour page changes."_s,
            u"  QUILLON_SITE_URL     the maker's site\n"_s};
    return {u"Quillon"_s, QStringLiteral(QUILLON_VERSION),
            u"A desktop stock ticker for the Shanghai and Shenzhen markets."_s,
            u"  QUILLON_QUOTE_URL    the quote service\n"
            "  QUILLON_SITE_URL     the maker's site\n"
            "  QUILLON_CHART_URL    the intraday chart server\n"
            "  QUILLON_NEWS_URL     the hot-sector news page\n"
            "  QUILLON_CONTACT_URL  the author's contact link, a whole address\n"_s};
}

QString usage(const About& program) {
    return u"Usage: %1 [options]\n%2\n\n"
           "Options:\n"
           "  -h, --help     Print this help and exit.\n"
           "  -v, --version  Print the version and exit.\n"
           "Qt's own options (-platform, -style, -session, ...) are passed on to Qt.\n\n"
           "Environment (base URLs default to http://127.0.0.1:" QUILLON_STANDIN_PORT
           "):\n%3"_s.arg(program.name, program.summary, program.environment);
}

// The options QGuiApplication and QApplication take for themselves, with one
// dash or two: a session manager restores a program with -session, a user may
// choose -platform or -style.
const QStringList kQtOptionsWithValue =
    u"platform platformpluginpath platformtheme plugin qwindowgeometry qwindowicon qwindowtitle "
    "session display geometry name title visual style stylesheet"_s.split(u' ');
const QStringList kQtFlags = u"reverse nograb dograb widgetcount"_s.split(u' ');

} // namespace

std::optional<Answer> answer(Program program, const QStringList& arguments) {
    const About info = about(program);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"-h"_s || argument == u"--help"_s)
            return Answer{0, usage(info), {}};
        if (argument == u"-v"_s || argument == u"--version"_s)
            return Answer{0, info.name + u' ' + info.version + u'\n', {}};
        const QString body = argument.mid(argument.startsWith(u"--") ? 2 : 1);
        const qsizetype equals = body.indexOf(u'=');
        const QString option = body.left(equals);
        const bool isOption = argument.startsWith(u'-');
        if (isOption && equals < 0 && kQtFlags.contains(option))
            continue;
        if (isOption && kQtOptionsWithValue.contains(option) &&
            (equals >= 0 || ++i < arguments.size()))
            continue;
        return Answer{
            2, {}, u"%1: unknown argument '%2'\n\n"_s.arg(info.name, argument) + usage(info)};
    }
    return std::nullopt;
}

std::optional<int> handle(Program program, int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const auto result = answer(program, arguments);
    if (!result)
        return std::nullopt;
    std::fputs(result->out.toLocal8Bit().constData(), stdout);
    std::fputs(result->err.toLocal8Bit().constData(), stderr);
    return result->status;
}

} // namespace commandline
