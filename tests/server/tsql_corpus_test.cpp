// Every client SQL text translates; random token streams never crash the translator.

#include <QRandomGenerator>
#include <QSet>

#include "tsql_corpus.h"
#include "tsql_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::test {
namespace {

using namespace dyt::server::tsql;

// Names an SQLite error that says the statement itself is malformed (as opposed to naming a
// table or column the empty test database lacks).
bool malformed(const QString& error) {
    return error.contains(QLatin1String("syntax error")) ||
           error.contains(QLatin1String("unrecognized token")) ||
           error.contains(QLatin1String("incomplete input")) ||
           error.contains(QLatin1String("wrong number of arguments")) ||
           error.contains(QLatin1String("no such function")) ||
           error.contains(QLatin1String("misuse"));
}

class TsqlCorpusDb : public TsqlDb {
protected:
    // Every statement of the program, branches included, prepares as well-formed SQLite.
    void expectWellFormed(const std::vector<Step>& steps, const QString& from) {
        for (const Step& s : steps) {
            sqlite3_stmt* st = nullptr;
            const QByteArray u = s.sql.toUtf8();
            sqlite3_prepare_v2(db, u.constData(), static_cast<int>(u.size()), &st, nullptr);
            sqlite3_finalize(st);
            const QString error = QString::fromUtf8(sqlite3_errmsg(db));
            EXPECT_FALSE(malformed(error))
                << "from: " << from.toStdString() << "\nto: " << s.sql.toStdString() << "\n"
                << error.toStdString();
            expectWellFormed(s.thenSteps, from);
            expectWellFormed(s.elseSteps, from);
        }
    }
};

TEST_F(TsqlCorpusDb, TheFileIsWellFormedAndEveryTextTranslatesToAWellFormedProgramOfItsKind) {
    Context c;
    c.sessionId = 57;
    int translated = 0;
    for (const CorpusText& t : readCorpus()) {
        EXPECT_EQ(QString(), errorOf([&] {
                      const Program p = translate(t.sql, c);
                      EXPECT_EQ(t.query, p.returnsRows()) << t.id.toStdString();
                      expectWellFormed(p.steps, t.id);
                      ++translated;
                  }))
            << t.id.toStdString();
    }
    EXPECT_EQ(static_cast<int>(readCorpus().size()), translated);
    // The corpus file itself: ids unique, queries name what they read.
    const std::vector<CorpusText> corpus = readCorpus();
    ASSERT_GE(corpus.size(), 100u) << "corpus missing or short";
    QSet<QString> ids;
    for (const CorpusText& t : corpus) {
        EXPECT_FALSE(t.id.isEmpty()) << "malformed line " << t.line;
        EXPECT_FALSE(ids.contains(t.id)) << "duplicate id " << t.id.toStdString();
        ids.insert(t.id);
        EXPECT_EQ(t.query, !t.reads.isEmpty()) << t.id.toStdString();
    }
}

// Random token streams: the translator answers a program or DytError, nothing else, and what it
// answers is well-formed SQLite.
TEST_F(TsqlCorpusDb, RandomTokenStreamsGiveProgramsOrCleanErrors) {
    // Words and pieces of the dialect, "|" between them.
    const QStringList vocabulary =
        u"SELECT|top|1|*|FROM|t|AS|a|,|b|WHERE|a.id|=|'x'|+|-|(|)|AND|OR|NOT|IN|LIKE|IS|"
        "NULL|UPDATE|SET|DELETE|INSERT|INTO|VALUES|IF|EXISTS|ELSE|BEGIN|END|CASE|WHEN|"
        "THEN|UNION|ALL|ORDER|BY|GROUP|HAVING|desc|getdate()|isnull|CONVERT|"
        "varchar(10)|datetime|20|DATEADD|wk|DATEDIFF|LEFT|JOIN|ON|@@spid|"
        "dbo.fnGetSysData|master.dbo.x|[b c]|N'名'|;|\r\n|count(*)|<>|<=|BETWEEN|2.5|"
        "LEN|SUBSTRING"_s.split(u'|');
    // pieces of the corpus join the vocabulary
    const std::vector<CorpusText> corpus = readCorpus();
    QRandomGenerator rng(20240315);
    Context c;
    c.sessionId = 9;
    int programs = 0, errors = 0;
    const int rounds = 4000;
    for (int round = 0; round < rounds; ++round) {
        QString text;
        if (round % 2 == 0 || corpus.empty()) {
            const int n = 1 + static_cast<int>(rng.bounded(25));
            for (int i = 0; i < n; ++i)
                text += vocabulary[static_cast<int>(rng.bounded(vocabulary.size()))] + u' ';
        } else {
            // a corpus text with a few words dropped, repeated or replaced
            const CorpusText& base = corpus[rng.bounded(static_cast<quint32>(corpus.size()))];
            QStringList words = base.sql.split(u' ');
            const int edits = 1 + static_cast<int>(rng.bounded(3));
            for (int e = 0; e < edits && !words.isEmpty(); ++e) {
                const int at = static_cast<int>(rng.bounded(words.size()));
                switch (rng.bounded(3)) {
                    case 0:
                        words.removeAt(at);
                        break;
                    case 1:
                        words.insert(at, words[at]);
                        break;
                    default:
                        words[at] = vocabulary[static_cast<int>(rng.bounded(vocabulary.size()))];
                        break;
                }
            }
            text = words.join(u' ');
        }
        try {
            const Program p = translate(text, c);
            ++programs;
            expectWellFormed(p.steps, text);
        } catch (const DytError& e) {
            ++errors;
            EXPECT_FALSE(e.message().isEmpty());
        }
    }
    RecordProperty("programs", programs);
    EXPECT_EQ(rounds, programs + errors);
    EXPECT_GT(programs, 0);
    EXPECT_GT(errors, 0);
}

}  // namespace
}  // namespace dyt::test
