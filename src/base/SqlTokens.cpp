#include "base/SqlTokens.h"

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

} // namespace

QVector<SqlToken> SqlTokens(const QString& sql)
{
    QVector<SqlToken> out;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql[i];
        const QChar next = i + 1 < n ? sql[i + 1] : QChar();
        if (c == u'-' && next == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && next == u'*') {
            i += 2;
            while (i + 1 < n && !(sql[i] == u'*' && sql[i + 1] == u'/'))
                ++i;
            ++i;
        } else if (c == u'\'' || c == u'"' || c == u'`') {
            // A doubled quote inside stays inside.
            QString text;
            for (++i; i < n; ++i) {
                if (sql[i] == c) {
                    if (i + 1 < n && sql[i + 1] == c)
                        ++i;
                    else
                        break;
                }
                text += sql[i];
            }
            if (c != u'\'')
                out.append({text, SqlToken::Kind::Quoted});
        } else if (isWordChar(c)) {
            QString word;
            while (i < n && isWordChar(sql[i]))
                word += sql[i++];
            --i;
            out.append({word, SqlToken::Kind::Word});
        } else if (!c.isSpace()) {
            out.append({QString(c), SqlToken::Kind::Punctuation});
        }
    }
    return out;
}
