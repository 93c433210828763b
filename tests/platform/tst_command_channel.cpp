// The acknowledgement channel as a second user, a flood and a lost socket meet it: where
// it is made, who may answer on it, the bound on clients, and that it comes back.
#include "platform/command_channel.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <QThread>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
// A server that answers each request with {"ok":true}.
struct Echo {
    platform::CommandServer server{
        [](const QByteArray &, const platform::CommandServer::Reply &reply) {
            reply(R"({"ok":true})");
        }};
};

// The answer of a request from a client of its own thread (the client blocks).
std::optional<QByteArray> ask(const QStringList &names, const QByteArray &request,
                              platform::SendError *why = nullptr, QString *error = nullptr)
{
    std::optional<QByteArray> answer;
    QString e;
    QThread *t = QThread::create(
        [&] { answer = platform::sendCommand(names, request, 5000, error ? error : &e, why); });
    t->start();
    while (!t->wait(5))
        QCoreApplication::processEvents();
    delete t;
    return answer;
}
} // namespace

class TstCommandChannel : public QObject
{
    Q_OBJECT

private slots:
    // The first folder that is the user's alone is taken; one others may enter, a link
    // or another's folder is passed over, and said when none is left.
    void whereTheChannelLives_data()
    {
        QTest::addColumn<QStringList>("folders"); // "mode name"
        QTest::addColumn<int>("taken");           // -1: none
        QTest::addColumn<QString>("said");
        QTest::newRow("a private runtime folder") << QStringList{"700 run", "700 tmp"} << 0 << "";
        QTest::newRow("one others may enter") << QStringList{"755 run", "700 tmp"} << 1 << "";
        QTest::newRow("a link to a private folder")
            << QStringList{"link run", "755 tmp"} << -1 << "it is not a folder";
        QTest::newRow("the last is made when missing")
            << QStringList{"755 run", "none tmp"} << 1 << "";
    }
    void whereTheChannelLives()
    {
        QFETCH(QStringList, folders);
        QFETCH(int, taken);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QStringList names;
        for (const QString &f : folders) {
            const QString mode = f.section(u' ', 0, 0), path = dir.filePath(f.section(u' ', 1));
            if (mode == u"link"_s) {
                QVERIFY(QDir().mkdir(dir.filePath(u"real"_s)));
                ::chmod(QFile::encodeName(dir.filePath(u"real"_s)).constData(), 0700);
                QVERIFY(QFile::link(dir.filePath(u"real"_s), path));
            } else if (mode != u"none"_s) {
                QVERIFY(QDir().mkdir(path));
                ::chmod(QFile::encodeName(path).constData(), mode.toUInt(nullptr, 8));
            }
            names << path + u"/qv475-test"_s;
        }
        Echo echo;
        QString error;
        QCOMPARE(echo.server.listen(names, &error), taken >= 0);
        if (taken < 0) {
            QVERIFY2(error.contains(said), qPrintable(error));
            return;
        }
        QCOMPARE(echo.server.where(), names[taken]);
        struct stat st {
        };
        QCOMPARE(::lstat(QFile::encodeName(QFileInfo(names[taken]).path()).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
        const auto answer = ask(names, "{\"x\":1}");
        QVERIFY(answer);
        QVERIFY(answer->contains("\"ok\":true"));
    }

    // A flood of idle clients takes no more than the bound; a socket removed under the
    // channel, or a channel that stopped listening, is made again and said.
    void aFloodAndALostSocket()
    {
        QTemporaryDir dir;
        const QStringList names{dir.filePath(u"c"_s)};
        Echo echo;
        QSignalSpy lines(&echo.server, &platform::CommandServer::line);
        QString error;
        QVERIFY(echo.server.listen(names, &error));
        QList<QLocalSocket *> flood;
        for (int i = 0; i < 200; ++i) {
            auto *s = new QLocalSocket(this);
            s->connectToServer(names[0]);
            flood << s;
        }
        QCoreApplication::processEvents();
        QTRY_VERIFY_WITH_TIMEOUT(std::count_if(flood.begin(), flood.end(),
                                               [](QLocalSocket *s) {
                                                   return s->state() ==
                                                          QLocalSocket::UnconnectedState;
                                               }) >= 200 - platform::CommandServer::kMaxClients,
                                 5000);
        // Once they are gone, the channel answers again.
        qDeleteAll(flood);
        QTRY_VERIFY(ask(names, "{}").has_value());

        QVERIFY(QFile::remove(names[0]));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(names[0]),
                                 3 * platform::CommandServer::kCheckMs);
        QVERIFY(ask(names, "{}"));
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0][0].toString().contains(u"was lost and is open again"_s),
                 qPrintable(lines[0][0].toString()));
    }

    // A channel held by another user receives nothing: the client checks who answers.
    void anotherUsersChannel()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to run a listener as another user");
        QTemporaryDir dir;
        ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
        const QByteArray path = QFile::encodeName(dir.filePath(u"c"_s));
        const QByteArray got = QFile::encodeName(dir.filePath(u"got"_s));
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            // The squatter: nobody's listener, that keeps whatever it is sent.
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(1);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un a{};
            a.sun_family = AF_UNIX;
            std::strncpy(a.sun_path, path.constData(), sizeof a.sun_path - 1);
            if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(fd, 4))
                ::_exit(2);
            (void)!::write(ready[1], "r", 1);
            const int c = ::accept(fd, nullptr, nullptr);
            char buf[512];
            const ssize_t n = ::read(c, buf, sizeof buf);
            const int out = ::open(got.constData(), O_WRONLY | O_CREAT, 0666);
            if (n > 0)
                (void)!::write(out, buf, size_t(n));
            ::_exit(0);
        }
        char r = 0;
        QCOMPARE(::read(ready[0], &r, 1), ssize_t(1));
        platform::SendError why = platform::SendError::NoProgram;
        QString error;
        QVERIFY(
            !ask({QString::fromLocal8Bit(path)}, R"({"acknowledge":{"by":"山田"}})", &why, &error));
        QCOMPARE(why, platform::SendError::NotOurs);
        QVERIFY2(error.contains(u"another user (uid 65534)"_s), qPrintable(error));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        QFile kept(QString::fromLocal8Bit(got));
        QVERIFY(!kept.exists() || (kept.open(QIODevice::ReadOnly) && kept.readAll().isEmpty()));
    }
};

QTEST_GUILESS_MAIN(TstCommandChannel)
#include "tst_command_channel.moc"
