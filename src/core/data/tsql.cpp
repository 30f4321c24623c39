#include "data/tsql.h"

#include "data/dberror.h"

#include <QSet>

#include <algorithm>
#include <iterator>

namespace mss::data::tsql {

namespace {

const QString kSource = QStringLiteral("Embedded database");

[[noreturn]] void syntaxError(const QString &what, const QString &statement)
{
    throw DbError(102, kSource, QStringLiteral("%1 in statement: %2").arg(what, statement.left(400)));
}

bool isIdentStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('#') || c == QLatin1Char('@');
}

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('#') || c == QLatin1Char('@')
        || c == QLatin1Char('$');
}

bool sameWord(QStringView word, QLatin1StringView keyword)
{
    return word.size() == keyword.size() && word.compare(keyword, Qt::CaseInsensitive) == 0;
}

// Words that open ordinary SQL; anything else at the start of a statement is a procedure name.
bool isStatementKeyword(QStringView word)
{
    // Compared in place: this runs for every statement sent, and folding the word's case would
    // allocate each time.
    static constexpr QLatin1StringView keywords[] = { QLatin1StringView("select"), QLatin1StringView("insert"),
        QLatin1StringView("update"), QLatin1StringView("delete"), QLatin1StringView("with"),
        QLatin1StringView("create"), QLatin1StringView("drop"), QLatin1StringView("alter"), QLatin1StringView("begin"),
        QLatin1StringView("commit"), QLatin1StringView("rollback"), QLatin1StringView("end"),
        QLatin1StringView("pragma"), QLatin1StringView("replace"), QLatin1StringView("values"),
        QLatin1StringView("attach"), QLatin1StringView("detach"), QLatin1StringView("vacuum"),
        QLatin1StringView("analyze"), QLatin1StringView("explain"), QLatin1StringView("savepoint"),
        QLatin1StringView("release"), QLatin1StringView("reindex"), QLatin1StringView("set"),
        QLatin1StringView("declare"), QLatin1StringView("if"), QLatin1StringView("truncate"),
        QLatin1StringView("use") };
    return std::any_of(
        std::begin(keywords), std::end(keywords), [&](QLatin1StringView keyword) { return sameWord(word, keyword); });
}

// Reads an identifier, plain or [bracketed], at pos; returns its text without brackets, as a
// view into s so that a word only looked at costs no copy.
std::optional<QStringView> readIdentifier(const QString &s, qsizetype &pos)
{
    if (pos >= s.size())
        return std::nullopt;
    if (s[pos] == QLatin1Char('[')) {
        const qsizetype close = s.indexOf(QLatin1Char(']'), pos + 1);
        if (close < 0)
            return std::nullopt;
        const QStringView name = QStringView(s).mid(pos + 1, close - pos - 1);
        pos = close + 1;
        return name;
    }
    if (!isIdentStart(s[pos]))
        return std::nullopt;
    const qsizetype start = pos;
    while (pos < s.size() && isIdentChar(s[pos]))
        ++pos;
    return QStringView(s).mid(start, pos - start);
}

void skipSpace(const QString &s, qsizetype &pos)
{
    while (pos < s.size() && s[pos].isSpace())
        ++pos;
}

// Reads '…' with doubled quotes at pos (pos on the opening quote); returns the value.
std::optional<QString> readString(const QString &s, qsizetype &pos)
{
    QString value;
    qsizetype i = pos + 1;
    for (;;) {
        const qsizetype quote = s.indexOf(QLatin1Char('\''), i);
        if (quote < 0)
            return std::nullopt;
        value += QStringView(s).mid(i, quote - i);
        if (quote + 1 < s.size() && s[quote + 1] == QLatin1Char('\'')) {
            value += QLatin1Char('\'');
            i = quote + 2;
            continue;
        }
        pos = quote + 1;
        return value;
    }
}

std::optional<QVariant> readNumber(const QString &s, qsizetype &pos)
{
    qsizetype i = pos;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        ++i;
    const qsizetype digitsStart = i;
    bool dot = false;
    while (i < s.size() && (s[i].isDigit() || (!dot && s[i] == QLatin1Char('.')))) {
        dot = dot || s[i] == QLatin1Char('.');
        ++i;
    }
    if (i == digitsStart || (i == digitsStart + 1 && dot))
        return std::nullopt;
    const QString text = s.mid(pos, i - pos);
    pos = i;
    if (!dot) {
        bool ok = false;
        const qlonglong n = text.toLongLong(&ok);
        if (ok)
            return QVariant(n);
    }
    return QVariant(text.toDouble());
}

} // namespace

QString schemaOf(const QString &database)
{
    const QString upper = database.toUpper();
    if (upper == QLatin1String("MSS"))
        return QStringLiteral("main");
    if (upper == QLatin1String("PATIENT_DATA") || upper == QLatin1String("BILLING")
        || upper == QLatin1String("RADIOLOGY"))
        return upper;
    return {};
}

namespace {

// Reads "[EXEC] [db..]name" at the start of a statement; pos ends where the arguments start.
std::optional<CallTarget> readCallTarget(const QString &statement, qsizetype &pos)
{
    skipSpace(statement, pos);
    auto first = readIdentifier(statement, pos);
    if (!first)
        return std::nullopt;

    bool explicitExec = false;
    if (sameWord(*first, QLatin1StringView("exec")) || sameWord(*first, QLatin1StringView("execute"))) {
        explicitExec = true;
        skipSpace(statement, pos);
        first = readIdentifier(statement, pos);
        if (!first)
            syntaxError(QStringLiteral("A procedure name is missing after EXEC"), statement);
    } else if ((pos >= statement.size() || statement[pos] != QLatin1Char('.')) && isStatementKeyword(*first)) {
        return std::nullopt;
    }

    CallTarget call;
    QStringView name = *first;
    // db..name, db.dbo.name, or owner.name
    if (pos < statement.size() && statement[pos] == QLatin1Char('.')) {
        QStringView database = *first;
        ++pos;
        bool named = false;
        if (pos < statement.size() && statement[pos] == QLatin1Char('.')) {
            ++pos;
        } else {
            auto second = readIdentifier(statement, pos);
            if (!second)
                syntaxError(QStringLiteral("A procedure name is missing after \"%1.\"").arg(database), statement);
            if (pos < statement.size() && statement[pos] == QLatin1Char('.')) {
                ++pos; // the owner between database and name
            } else {
                if (sameWord(database, QLatin1StringView("dbo")))
                    database = {};
                name = *second;
                named = true;
            }
        }
        if (!named) {
            auto last = readIdentifier(statement, pos);
            if (!last)
                syntaxError(QStringLiteral("A procedure name is missing after \"%1..\"").arg(database), statement);
            name = *last;
        }
        call.database = database.toString();
    }
    call.name = name.toString();

    if (!explicitExec && call.database.isEmpty() && pos < statement.size() && !statement[pos].isSpace()
        && statement[pos] != QLatin1Char('\'') && statement[pos] != QLatin1Char(';'))
        return std::nullopt; // not a call shape at all (for example "foo(1)"): let SQL report it
    call.text = statement.left(pos);
    return call;
}

} // namespace

std::optional<ProcedureCall> parseProcedureCall(const QString &statement, CallTarget *last)
{
    ProcedureCall call;
    qsizetype pos = 0;
    // The same text before a blank, a quote, a ';' or the end names the same procedure.
    const auto namesLastProcedure = [&] {
        if (!last || last->text.isEmpty() || !statement.startsWith(last->text))
            return false;
        const qsizetype end = last->text.size();
        return end == statement.size() || statement[end].isSpace() || statement[end] == QLatin1Char('\'')
            || statement[end] == QLatin1Char(';');
    };
    if (namesLastProcedure()) {
        pos = last->text.size();
        call.database = last->database;
        call.name = last->name;
    } else {
        auto target = readCallTarget(statement, pos);
        if (!target)
            return std::nullopt;
        call.database = target->database;
        call.name = target->name;
        if (last)
            *last = std::move(*target);
    }

    // Arguments: value (, value)* with blanks anywhere between, then an optional ';'.
    skipSpace(statement, pos);
    bool expectValue = pos < statement.size() && statement[pos] != QLatin1Char(';');
    while (expectValue) {
        skipSpace(statement, pos);
        if (pos >= statement.size())
            syntaxError(QStringLiteral("An argument is missing at the end of the procedure call"), statement);
        const QChar c = statement[pos];
        if (c == QLatin1Char('\'')
            || ((c == QLatin1Char('N') || c == QLatin1Char('n')) && pos + 1 < statement.size()
                && statement[pos + 1] == QLatin1Char('\''))) {
            if (c != QLatin1Char('\''))
                ++pos;
            auto value = readString(statement, pos);
            if (!value)
                syntaxError(QStringLiteral("Unclosed quotation mark in the procedure call"), statement);
            call.arguments.append(*value);
        } else if (const qsizetype start = pos; auto number = readNumber(statement, pos)) {
            call.literals.resize(call.arguments.size());
            call.arguments.append(*number);
            call.literals.append(statement.mid(start, pos - start));
        } else if (sameWord(QStringView(statement).mid(pos, 4), QLatin1StringView("null"))
            && (pos + 4 >= statement.size() || !isIdentChar(statement[pos + 4]))) {
            call.arguments.append(QVariant());
            pos += 4;
        } else {
            syntaxError(QStringLiteral("Incorrect syntax near \"%1\" in the arguments of procedure %2")
                            .arg(statement.mid(pos, 20), call.name),
                statement);
        }
        skipSpace(statement, pos);
        if (pos < statement.size() && statement[pos] == QLatin1Char(',')) {
            ++pos;
            continue;
        }
        expectValue = false;
    }
    if (pos < statement.size() && statement[pos] == QLatin1Char(';'))
        ++pos;
    skipSpace(statement, pos);
    if (pos < statement.size())
        syntaxError(QStringLiteral("Incorrect syntax near \"%1\" after the arguments of procedure %2")
                        .arg(statement.mid(pos, 20), call.name),
            statement);
    return call;
}

namespace {

// Where text that passes through untouched ends, when such text starts at i: string literals,
// quoted and bracketed identifiers, comments, and numbers (1e5 or 12.5 are no identifiers).
// i itself when none starts there.
qsizetype untouchedEnd(const QString &s, qsizetype i)
{
    const qsizetype n = s.size();
    const QChar c = s[i];
    if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
        qsizetype j = i + 1;
        while (j < n) {
            if (s[j] == c) {
                if (j + 1 < n && s[j + 1] == c) {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        return std::min(j + 1, n);
    }
    if (c == QLatin1Char('[')) {
        const qsizetype j = s.indexOf(QLatin1Char(']'), i);
        return j < 0 ? n : j + 1;
    }
    if (c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) {
        const qsizetype j = s.indexOf(QLatin1Char('\n'), i);
        return j < 0 ? n : j;
    }
    if (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*')) {
        const qsizetype j = s.indexOf(QLatin1String("*/"), i + 2);
        return j < 0 ? n : j + 2;
    }
    if (c.isDigit()) {
        qsizetype j = i;
        while (j < n && (s[j].isLetterOrNumber() || s[j] == QLatin1Char('.')))
            ++j;
        return j;
    }
    return i;
}

// After a word that ends at j: where the object's name starts when the word is a database that
// qualifies it (db..object or db.dbo.object); -1 when it is not.
qsizetype qualifiedNameStart(const QString &s, qsizetype j)
{
    if (j + 1 >= s.size() || s[j] != QLatin1Char('.'))
        return -1;
    const qsizetype k = j + 1;
    if (s[k] == QLatin1Char('.'))
        return k + 1;
    if (s.mid(k, 4).compare(QLatin1String("dbo."), Qt::CaseInsensitive) == 0)
        return k + 4;
    return -1;
}

// SQL Server's functions that the embedded database knows by another name; empty for the rest.
QLatin1StringView renamedFunction(const QString &lower)
{
    if (lower == QLatin1String("isnull"))
        return QLatin1StringView("ifnull");
    if (lower == QLatin1String("left"))
        return QLatin1StringView("mss_left");
    if (lower == QLatin1String("right"))
        return QLatin1StringView("mss_right");
    if (lower == QLatin1String("substring"))
        return QLatin1StringView("substr");
    return {};
}

// CONVERT(VARCHAR(10), x, 101) from its opening parenthesis: the target type becomes a text
// argument of mss_convert. Returns where the comma after the type is; the rest follows as it stands.
qsizetype translateConvert(const QString &s, qsizetype parenthesis, QString &out)
{
    const qsizetype n = s.size();
    qsizetype k = parenthesis + 1;
    int depth = 0;
    const qsizetype typeStart = k;
    while (k < n && !(depth == 0 && (s[k] == QLatin1Char(',') || s[k] == QLatin1Char(')')))) {
        if (s[k] == QLatin1Char('('))
            ++depth;
        else if (s[k] == QLatin1Char(')'))
            --depth;
        ++k;
    }
    if (k >= n || s[k] != QLatin1Char(','))
        syntaxError(QStringLiteral("CONVERT needs a type and a value"), s);
    const QString type = s.mid(typeStart, k - typeStart).trimmed();
    out += QLatin1String("mss_convert('");
    out += QString(type).replace(QLatin1Char('\''), QLatin1String("''"));
    out += QLatin1String("'");
    return k;
}

} // namespace

QString translate(const QString &s)
{
    QString out;
    out.reserve(s.size() + 16);
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        if (const qsizetype end = untouchedEnd(s, i); end > i) {
            out += QStringView(s).mid(i, end - i);
            i = end;
            continue;
        }
        if (!isIdentStart(s[i])) {
            out += s[i];
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < n && isIdentChar(s[j]))
            ++j;
        const QString word = s.mid(i, j - i);
        if ((word == QLatin1String("N") || word == QLatin1String("n")) && j < n && s[j] == QLatin1Char('\'')) {
            i = j; // N'text' is plain text here
            continue;
        }
        if (const qsizetype name = qualifiedNameStart(s, j); name >= 0) {
            const QString schema = schemaOf(word);
            if (schema.isEmpty())
                throw DbError(911, kSource,
                    QStringLiteral("Database \"%1\" does not exist in statement: %2").arg(word, s.left(400)));
            out += schema;
            out += QLatin1Char('.');
            i = name;
            continue;
        }
        qsizetype after = j;
        while (after < n && s[after].isSpace())
            ++after;
        const bool call = after < n && s[after] == QLatin1Char('(');
        const QString lower = word.toLower();
        if (call && lower == QLatin1String("convert")) {
            i = translateConvert(s, after, out);
            continue;
        }
        const QLatin1StringView renamed = call ? renamedFunction(lower) : QLatin1StringView();
        if (renamed.isEmpty())
            out += word;
        else
            out += renamed;
        i = j;
    }
    return out;
}

} // namespace mss::data::tsql
