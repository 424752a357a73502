#pragma once
// The corpus of client SQL texts (tests/data/tsql_corpus.tsv): every text the client sends, with
// the fields its caller reads. Shared by the translation tests and the tests that run the texts on
// a seeded account set.

#include <QFile>
#include <QString>
#include <QStringList>

#include <vector>

#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::test {

struct CorpusText {
    QString id;
    bool query = false;  // ExecQuery text (rows) or ExecUpdate text (changed rows)
    QStringList reads;   // fields the caller reads (queries)
    QString sql;
    int line = 0;
};

inline QString unescapeCorpus(const QString& s) {
    QString out;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 1 < s.size()) {
            const QChar c = s[++i];
            if (c == u'r')
                out += u'\r';
            else if (c == u'n')
                out += u'\n';
            else if (c == u't')
                out += u'\t';
            else
                out += c;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Reads the corpus; a malformed line gives an entry with an empty id and the line number.
inline std::vector<CorpusText> readCorpus() {
    std::vector<CorpusText> out;
    QFile f(dataPath(u"tsql_corpus.tsv"_s));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    int lineNo = 0;
    while (!f.atEnd()) {
        ++lineNo;
        QString line = QString::fromUtf8(f.readLine());
        while (line.endsWith(u'\n') || line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cols = line.split(u'\t');
        CorpusText t;
        t.line = lineNo;
        if (cols.size() == 4 &&
            (cols[1] == QLatin1String("query") || cols[1] == QLatin1String("update"))) {
            t.id = cols[0];
            t.query = cols[1] == QLatin1String("query");
            if (cols[2] != QLatin1String("-"))
                t.reads = cols[2].split(u',');
            t.sql = unescapeCorpus(cols[3]);
        }
        out.push_back(t);
    }
    return out;
}

}  // namespace dyt::test
