#include "app/records_cli.h"

#include "app/headless.h"
#include "display/day_report.h"
#include "history/register.h"
#include "logging/csv_format.h"
#include "logging/manifest.h"
#include "platform/whole_file.h"
#include "session/event_log.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace records {

namespace {

constexpr int kRegisterWriteFailed = 7;

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

QString recordsBase(const basSubMain::Settings &settings, const QString &settingsLocation)
{
    return session::EventLog::recordsBase(settings.fName,
                                          session::EventLog::fallbackBase(settingsLocation));
}

int runRegister(const basSubMain::Settings &settings, const QString &base, const QString &from,
                const QString &to, const QString &out)
{
    const bool csv = out.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    if (out.isEmpty() || !(csv || out.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))) {
        say(QStringLiteral("--register needs --out REGISTER.pdf or --out REGISTER.csv"));
        return headless::kBadOptions;
    }
    if (const QFileInfo target(out); (target.exists() || target.isSymLink()) && !target.isFile()) {
        say(QStringLiteral("--out %1 is not a regular file (a folder, a device)").arg(out));
        return headless::kBadOptions;
    }
    const auto [first, last] = logging::recordedDays(base);
    auto day = [](const QString &text, const QDate &fallback) {
        return text.isEmpty() ? fallback : QDate::fromString(text, Qt::ISODate);
    };
    history::RegisterInput in;
    in.base = base;
    in.from = day(from, first.isValid() ? first : QDate::currentDate());
    in.to = day(to, std::max(last.isValid() ? last : QDate::currentDate(), in.from));
    if (!in.from.isValid() || !in.to.isValid() || in.to < in.from) {
        say(QStringLiteral("--from and --to are dates (YYYY-MM-DD), --from not after --to"));
        return headless::kBadOptions;
    }
    const history::Register r = history::buildRegister(in, &platform::readWholeFile);
    for (const QString &note : r.notes)
        say(note);
    const QString verification = logging::verificationSummary(QFileInfo(base).absolutePath());
    const QByteArray bytes = csv ? history::registerCsv(r)
                                 : report::registerReport(r, {settings.site.name, settings.port},
                                                          settings.site, verification);
    QString error;
    if (!platform::replaceFile(out, bytes, &error)) {
        say(QStringLiteral("cannot write the register: ") + error);
        return kRegisterWriteFailed;
    }
    say(QStringLiteral("%1: %2 to %3, %4 item(s)")
            .arg(out, in.from.toString(Qt::ISODate), in.to.toString(Qt::ISODate))
            .arg(r.items.size()));
    return 0;
}

int runVerify(const QString &folder)
{
    const logging::Verification v = logging::verifyFolder(folder);
    for (const QString &problem : v.problems)
        std::printf("%s\n", problem.toLocal8Bit().constData());
    if (v.ok())
        std::printf("%s\n", QCoreApplication::translate("manifest", "記録の検証: 一致 (%1 ﾌｧｲﾙ)")
                                .arg(v.checked)
                                .toLocal8Bit()
                                .constData());
    return v.ok() ? 0 : kVerifyFailed;
}

} // namespace records
