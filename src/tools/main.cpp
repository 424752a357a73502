// dyt-cli: command-line client of the application server for administrators and scripts.
// Output is tab-separated with a header line; exit status 0 on success, 1 with the server's
// message on standard error when a call fails, 2 for a wrong command line.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QRegularExpression>
#include <QTextStream>

#include "common/error.h"
#include "tools/migrate.h"
#include "protocol/client.h"
#include "protocol/protocol.h"
#include "report.h"
#include "server/demo/demo_builder.h"

namespace {

using dyt::DytError;
using dyt::RecordSet;
namespace proto = dyt::proto;

struct UsageError {
    QString message;
};

const char kUsage[] =
    "usage: dyt-cli --server HOST[:PORT] [--admin USER:PASSWORD]\n"
    "               [--profile DBNAME --user ID --password PW] [--upgrade] COMMAND ...\n"
    "commands:\n"
    "  profiles                      list the account sets\n"
    "  create-profile NAME           create an account set\n"
    "  delete-profile ORDERID        delete an account set\n"
    "  hide-profile DBNAME           hide an account set from the login list\n"
    "  show-profile DBNAME           show a hidden account set again\n"
    "  admin-password NEW            change the administrator password\n"
    "  sql TEXT                      run a query (prints rows) or a statement (prints count);\n"
    "                                with --admin not held to what the windows may write\n"
    "  proc NAME k=v ...             run a stored procedure (prints result and lines)\n"
    "  procq NAME k=v ...            run a query procedure (prints rows)\n"
    "  service METHOD PARAMS-FILE LINES-TSV [ACCOUNTS-TSV]\n"
    "                                call the bill service (prints the bill id)\n"
    "  backup FILE                   back up the account set to FILE (and on the server)\n"
    "  restore FILE                  restore the account set from FILE (needs --profile and\n"
    "                                --admin, no operator)\n"
    "  report CLASS|PROC TYPE k=v ...\n"
    "                                run a query window's report (prints rows)\n"
    "  demo [--name NAME] [--seed N] [--goods N] [--lines N] [--warehouses N]\n"
    "                                create the demo account set (default \"演示账套\", 300 "
    "goods,\n"
    "                                3 warehouses, ten bill lines per goods) and check it\n"
    "  migrate --to postgresql|sqlite DBNAME [--config FILE] [--data DIR]\n"
    "          [--postgresql CONNINFO] [--postgresql-prefix TEXT]\n"
    "                                move an account set between the server's engines (on the\n"
    "                                server's machine, the server stopped); checked by the\n"
    "                                rows and the money and quantity totals of every table\n";

QString escapeCell(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (const QChar c : s) {
        if (c == QLatin1Char('\\')) {
            out += QStringLiteral("\\\\");
        } else if (c == QLatin1Char('\t')) {
            out += QStringLiteral("\\t");
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\r");
        } else {
            out += c;
        }
    }
    return out;
}

QString cellText(const QVariant& v) {
    if (!v.isValid())
        return {};
    if (v.metaType().id() == qMetaTypeId<dyt::Currency>())
        return v.value<dyt::Currency>().toString();
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    if (v.metaType().id() == QMetaType::QDateTime) {
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    if (v.metaType().id() == QMetaType::QByteArray)
        return QString::fromLatin1(v.toByteArray().toHex());
    if (v.metaType().id() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return v.toString();
}

void printTable(QTextStream& out, const RecordSet& rs) {
    QStringList header;
    for (const auto& f : rs.fields())
        header << escapeCell(f.name);
    out << header.join(QLatin1Char('\t')) << '\n';
    for (int r = 0; r < rs.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < rs.fieldCount(); ++c)
            cells << escapeCell(cellText(rs.at(r, c)));
        out << cells.join(QLatin1Char('\t')) << '\n';
    }
}

// A tab-separated file with a header line as a record set of text fields.
RecordSet readTsv(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DytError(QStringLiteral("无法读取文件[%1]").arg(path));
    const QStringList lines = proto::splitLines(QString::fromUtf8(f.readAll()));
    RecordSet rs;
    if (lines.isEmpty())
        return rs;
    for (const QString& name : lines[0].split(QLatin1Char('\t')))
        rs.addField(name.trimmed(), dyt::FieldType::Text);
    for (int i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        RecordSet::Row row;
        for (const QString& cell : lines[i].split(QLatin1Char('\t')))
            row.append(cell);
        while (row.size() > rs.fieldCount())
            row.removeLast();
        rs.appendRow(row);
    }
    return rs;
}

class Cli {
public:
    Cli(QTextStream& out) : out_(out) {}

    int run(QStringList args) {
        parseOptions(args);
        if (args.isEmpty())
            throw UsageError{QStringLiteral("no command given")};
        const QString command = args.takeFirst();
        if (command == QLatin1String("migrate"))
            return dyt::tools::migrate(args, out_);
        QString host;
        int port = proto::kDefaultPort;
        proto::splitAddress(server_, &host, &port);
        if (host.isEmpty() || host == QLatin1String("."))
            host = QStringLiteral("127.0.0.1");
        auto need = [&](int n) {
            if (args.size() < n)
                throw UsageError{QStringLiteral("%1: missing argument").arg(command)};
        };
        if (command == QLatin1String("profiles")) {
            connect(host, port);
            printTable(out_, profiles());
        } else if (command == QLatin1String("create-profile")) {
            need(1);
            connect(host, port);
            check(client_.call(QStringLiteral("CreateProfile"),
                               {args[0], args[0].trimmed(), adminUser_, adminPassword_}),
                  0);
            RecordSet rs = profiles();
            rs.setFilter(QString());
            RecordSet one;
            for (const auto& f : rs.fields())
                one.addField(f.name, f.type, f.size);
            for (int r = 0; r < rs.rowCount(); ++r) {
                if (rs.at(r, rs.fieldIndex(QStringLiteral("fullName"))).toString() ==
                    args[0].trimmed()) {
                    one.appendRow(rs.row(r));
                }
            }
            printTable(out_, one);
        } else if (command == QLatin1String("delete-profile")) {
            need(1);
            bool ok = false;
            const qint64 id = args[0].toLongLong(&ok);
            if (!ok)
                throw UsageError{QStringLiteral("delete-profile: ORDERID must be a number")};
            connect(host, port);
            check(client_.call(QStringLiteral("DeleteProfile"), {id, adminUser_, adminPassword_}),
                  0);
            out_ << "deleted\n" << id << '\n';
        } else if (command == QLatin1String("hide-profile") ||
                   command == QLatin1String("show-profile")) {
            need(1);
            connect(host, port);
            command1(QStringList{QStringLiteral("Command=CheckAdminPass"),
                                 QStringLiteral("Password=") + adminPassword_});
            const bool hide = command == QLatin1String("hide-profile");
            command1(QStringList{hide ? QStringLiteral("Command=HideProfile")
                                      : QStringLiteral("Command=ShowProfile"),
                                 QStringLiteral("ProfileName=") + args[0]});
            out_ << "dbName\thidden\n" << args[0] << '\t' << (hide ? 1 : 0) << '\n';
        } else if (command == QLatin1String("admin-password")) {
            need(1);
            connect(host, port);
            command1(QStringList{QStringLiteral("Command=SetAdminPass"),
                                 QStringLiteral("Account=") + adminUser_,
                                 QStringLiteral("Password=") + adminPassword_,
                                 QStringLiteral("NewPassword=") + args[0]});
            out_ << "account\tchanged\n"
                 << (adminUser_.isEmpty() ? QStringLiteral("sa") : adminUser_) << "\t1\n";
        } else if (command == QLatin1String("sql")) {
            need(1);
            loginTo(host, port);
            // With the administrator's password the text is not held to what the windows may
            // write (the administrator may replace the whole account set anyway).
            if (adminGiven_) {
                command1(QStringList{QStringLiteral("Command=CheckAdminPass"),
                                     QStringLiteral("Password=") + adminPassword_});
            }
            const QString sql = args.join(QLatin1Char(' '));
            // A text that answers rows goes through ExecQuery; "IF EXISTS(...) SELECT ... ELSE
            // SELECT ..." answers rows too.
            static const QRegularExpression firstWord(QStringLiteral("^\\s*([A-Za-z]+)"));
            const QString head = firstWord.match(sql).captured(1).toLower();
            if (head == QLatin1String("select") || head == QLatin1String("with") ||
                head == QLatin1String("values") || head == QLatin1String("if")) {
                proto::Response r = client_.call(QStringLiteral("ExecQuery"), {sql});
                check(r, 1);
                printTable(out_, proto::recordSetFromCbor(r.out(0)));
            } else {
                proto::Response r = client_.call(QStringLiteral("ExecUpdate"), {sql});
                if (r.code() < 0)
                    throw DytError(r.outText(0));
                out_ << "count\n" << r.code() << '\n';
            }
        } else if (command == QLatin1String("proc")) {
            need(1);
            loginTo(host, port);
            proto::Response r =
                client_.call(QStringLiteral("ExecProc"), {args[0], proto::joinLines(args.mid(1))});
            if (r.code() < 0)
                throw DytError(r.outText(2).isEmpty() ? QStringLiteral("存储过程执行失败")
                                                      : r.outText(2));
            out_ << "name\tvalue\n"
                 << "result\t" << r.code() << '\n';
            for (const QString& line : proto::splitLines(r.outText(0))) {
                const int eq = line.indexOf(QLatin1Char('='));
                out_ << escapeCell(eq < 0 ? line : line.left(eq)) << '\t'
                     << escapeCell(eq < 0 ? QString() : line.mid(eq + 1)) << '\n';
            }
        } else if (command == QLatin1String("procq")) {
            need(1);
            loginTo(host, port);
            proto::Response r = client_.call(QStringLiteral("ExecProcQuery"),
                                             {args[0], proto::joinLines(args.mid(1))});
            printTable(out_, proto::recordSetFromCbor(r.out(1)));
        } else if (command == QLatin1String("service")) {
            need(3);
            QFile pf(args[1]);
            if (!pf.open(QIODevice::ReadOnly))
                throw DytError(QStringLiteral("无法读取文件[%1]").arg(args[1]));
            const QString params = QString::fromUtf8(pf.readAll());
            const QCborValue lines = proto::recordSetToCbor(readTsv(args[2]));
            const QCborValue accounts = args.size() > 3 ? proto::recordSetToCbor(readTsv(args[3]))
                                                        : QCborValue(QCborValue::Null);
            loginTo(host, port);
            proto::Response r = client_.call(QStringLiteral("ExecService"),
                                             {QStringLiteral("QMXService"), args[0], params, lines,
                                              accounts, QCborValue(QCborValue::Null)});
            if (r.code() < 0)
                throw DytError(r.outText(2).isEmpty() ? QStringLiteral("服务调用失败")
                                                      : r.outText(2));
            out_ << "billId\n" << r.code() << '\n';
        } else if (command == QLatin1String("backup")) {
            need(1);
            loginTo(host, port);
            const QString name = QFileInfo(args[0]).fileName();
            proto::Response r =
                client_.call(QStringLiteral("BackupProfile"),
                             {profile_, profile_, name, adminUser_, adminPassword_, 1});
            check(r, 1);
            const QByteArray content = r.out(2).toByteArray();
            QFile f(args[0]);
            if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) {
                throw DytError(QStringLiteral("无法写入文件[%1]").arg(args[0]));
            }
            out_ << "file\tsize\n" << args[0] << '\t' << content.size() << '\n';
        } else if (command == QLatin1String("restore")) {
            need(1);
            QFile f(args[0]);
            if (!f.open(QIODevice::ReadOnly))
                throw DytError(QStringLiteral("要恢复的本地文件不存在，请检查"));
            const QByteArray content = f.readAll();
            // The administrator restores without a login, so that an account set nobody can
            // log in to any more can be restored too.
            if (profile_.isEmpty())
                throw UsageError{QStringLiteral("restore needs --profile")};
            connect(host, port);
            command1(QStringList{QStringLiteral("Command=CheckAdminPass"),
                                 QStringLiteral("Password=") + adminPassword_});
            proto::Response r = client_.call(
                QStringLiteral("RestoreProfile"),
                {profile_, QFileInfo(args[0]).fileName(), adminUser_, adminPassword_, content});
            if (r.code() != 0)
                throw DytError(r.outText(3));
            out_ << "file\trestored\n" << args[0] << "\t1\n";
        } else if (command == QLatin1String("report")) {
            need(1);
            const dyt::cli::ReportRequest request = dyt::cli::reportRequest(args, user_);
            loginTo(host, port);
            printTable(out_, dyt::cli::runReport(client_, request));
        } else if (command == QLatin1String("demo")) {
            return demo(host, port, args);
        } else {
            throw UsageError{QStringLiteral("unknown command: %1").arg(command)};
        }
        return 0;
    }

private:
    // Creates the account set, logs in as operator 1, builds the demo data through the server's
    // procedures and services and runs the consistency checks. Prints the counts (and the faults
    // on standard error, with exit status 1).
    int demo(const QString& host, int port, QStringList args) {
        dyt::demo::DemoOptions options;
        QString name = QStringLiteral("演示账套");
        while (!args.isEmpty()) {
            const QString opt = args.takeFirst();
            if (args.isEmpty())
                throw UsageError{QStringLiteral("demo: %1 needs a value").arg(opt)};
            const QString value = args.takeFirst();
            bool ok = true;
            if (opt == QLatin1String("--name")) {
                name = value.trimmed();
            } else if (opt == QLatin1String("--seed")) {
                options.seed = value.toULongLong(&ok);
            } else if (opt == QLatin1String("--goods")) {
                options.goods = value.toInt(&ok);
            } else if (opt == QLatin1String("--lines")) {
                options.lines = value.toLongLong(&ok);
            } else if (opt == QLatin1String("--warehouses")) {
                options.warehouses = value.toInt(&ok);
            } else {
                throw UsageError{QStringLiteral("demo: unknown option: %1").arg(opt)};
            }
            if (!ok)
                throw UsageError{QStringLiteral("demo: %1 must be a number").arg(opt)};
        }
        connect(host, port);
        check(
            client_.call(QStringLiteral("CreateProfile"), {name, name, adminUser_, adminPassword_}),
            0);
        RecordSet list = profiles();
        const int nameField = list.fieldIndex(QStringLiteral("fullName"));
        const int dbField = list.fieldIndex(QStringLiteral("dbName"));
        const int orderField = list.fieldIndex(QStringLiteral("orderId"));
        profile_.clear();
        qint64 orderId = 0;
        for (int r = 0; r < list.rowCount(); ++r) {
            if (list.at(r, nameField).toString() == name) {
                profile_ = list.at(r, dbField).toString();
                orderId = list.at(r, orderField).toLongLong();
            }
        }
        if (profile_.isEmpty())
            throw DytError(QStringLiteral("账套[%1]不存在").arg(name));
        if (user_.isEmpty())
            user_ = QStringLiteral("1");
        QTextStream err(stderr);
        dyt::demo::DemoSummary sum;
        try {
            client_.close();
            loginTo(host, port);
            client_.setCallTimeout(-1);
            dyt::demo::RemoteDemoCalls calls(client_);
            sum = dyt::demo::buildDemo(calls, options, [&](const QString& text) {
                err << text << '\n';
                err.flush();
            });
        } catch (const DytError&) {
            // No half-built account set stays behind.
            client_.close();
            connect(host, port);
            client_.call(QStringLiteral("DeleteProfile"), {orderId, adminUser_, adminPassword_});
            throw;
        }
        dyt::demo::RemoteDemoCalls calls(client_);
        const QStringList faults = dyt::demo::checkConsistency(calls);
        out_ << "item\tvalue\n"
             << "dbName\t" << profile_ << '\n'
             << "categories\t" << sum.categories << '\n'
             << "goods\t" << sum.goods << '\n'
             << "partners\t" << sum.partners << '\n'
             << "warehouses\t" << sum.warehouses << '\n'
             << "employees\t" << sum.employees << '\n'
             << "bills\t" << sum.bills << '\n'
             << "lines\t" << sum.lines << '\n'
             << "redBill\t" << sum.redBill << '\n'
             << "faults\t" << faults.size() << '\n';
        out_.flush();
        for (const QString& f : faults)
            err << f << '\n';
        return faults.isEmpty() ? 0 : 1;
    }

    void parseOptions(QStringList& args) {
        while (!args.isEmpty() && args[0].startsWith(QLatin1String("--"))) {
            const QString opt = args.takeFirst();
            if (opt == QLatin1String("--upgrade")) {
                upgrade_ = true;
                continue;
            }
            if (args.isEmpty())
                throw UsageError{QStringLiteral("%1 needs a value").arg(opt)};
            const QString value = args.takeFirst();
            if (opt == QLatin1String("--server")) {
                server_ = value;
            } else if (opt == QLatin1String("--admin")) {
                const int colon = value.indexOf(QLatin1Char(':'));
                adminUser_ = colon < 0 ? value : value.left(colon);
                adminPassword_ = colon < 0 ? QString() : value.mid(colon + 1);
                adminGiven_ = true;
            } else if (opt == QLatin1String("--profile")) {
                profile_ = value;
            } else if (opt == QLatin1String("--user")) {
                user_ = value;
            } else if (opt == QLatin1String("--password")) {
                password_ = value;
            } else {
                throw UsageError{QStringLiteral("unknown option: %1").arg(opt)};
            }
        }
        // migrate works on the server's files and databases, not through it.
        if (server_.isEmpty() && args.value(0) != QLatin1String("migrate"))
            throw UsageError{QStringLiteral("--server is required")};
    }

    void connect(const QString& host, int port) {
        client_.connectTo(host, port);
        proto::Response r = client_.call(QStringLiteral("InitDataBase"));
        if (r.code() != 0)
            throw DytError(QStringLiteral("连接失败：") + r.outText(0));
    }

    // A result other than expected-or-above (0 for most calls) raises the message in out i.
    static void check(const proto::Response& r, int messageOut) {
        if (r.code() != 0 || (r.result.isInteger() && r.result.toInteger() < 0)) {
            QString msg = r.outText(messageOut);
            if (msg.isEmpty())
                msg = QStringLiteral("操作失败");
            throw DytError(msg);
        }
    }

    void command1(const QStringList& lines) {
        proto::Response r = client_.call(QStringLiteral("ExecCommand"), {proto::joinLines(lines)});
        check(r, 1);
    }

    RecordSet profiles() {
        proto::Response r =
            client_.call(QStringLiteral("GetProfileList"), {QStringLiteral("dytv1"), 1});
        if (r.code() != 0)
            throw DytError(QStringLiteral("取得账套列表失败"));
        return proto::recordSetFromCbor(r.out(0));
    }

    void loginTo(const QString& host, int port) {
        if (profile_.isEmpty() || user_.isEmpty()) {
            throw UsageError{QStringLiteral("this command needs --profile and --user")};
        }
        connect(host, port);
        QStringList lines{
            profile_,
            profile_,
            user_,
            QHostInfo::localHostName(),
            QString(),
            QString(),
            QStringLiteral("1"),
            QStringLiteral("dyt-cli"),
            QStringLiteral("dytv1"),
            upgrade_ ? QStringLiteral("UpdateFlag=Update") : QStringLiteral("UpdateFlag=Check"),
            QStringLiteral("LoginType=0"),
            QStringLiteral("V11.0.140215")};
        proto::Response r =
            client_.call(QStringLiteral("Login"), {proto::joinLines(lines), user_, password_});
        if (r.code() < 0)
            throw DytError(r.outText(0));
    }

    QTextStream& out_;
    proto::Client client_;
    QString server_;
    QString adminUser_ = QStringLiteral("sa");
    QString adminPassword_;
    bool adminGiven_ = false;
    QString profile_;
    QString user_;
    QString password_;
    bool upgrade_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.contains(QStringLiteral("--help"))) {
        (args.isEmpty() ? err : out) << kUsage;
        return args.isEmpty() ? 2 : 0;
    }
    try {
        Cli cli(out);
        return cli.run(args);
    } catch (const UsageError& e) {
        err << "dyt-cli: " << e.message << '\n' << kUsage;
        return 2;
    } catch (const DytError& e) {
        out.flush();
        err << e.message() << '\n';
        return 1;
    }
}
