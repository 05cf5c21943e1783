#include "import/CsvImport.h"

#include "data/FileProblem.h"
#include "import/CsvRecords.h"
#include "import/RowReader.h"

#include <QFile>

#include <algorithm>

namespace {

const QString kCannotRead = QStringLiteral("CSVファイルを読み込めません。");

// The diary's own headers, field by field.
const char16_t *const kOwnDays[]
        = {u"日付", u"曜日", u"入力方法", u"回収額(円)", u"投資額(円)", u"収支(円)", u"回収率(%)"};
const char16_t *const kOwnSessions[] = {u"日付",       u"店舗",       u"機種",     u"開始", u"終了",
                                        u"投資額(円)", u"回収額(円)", u"収支(円)", u"メモ"};

template<size_t n> bool IsHeader(const QStringList &header, const char16_t *const (&fields)[n])
{
    if (header.size() < qsizetype(n))
        return false;
    for (qsizetype i = 0; i < header.size(); ++i) {
        if (i < qsizetype(n) ? header[i] != QStringView(fields[i]) : !header[i].isEmpty())
            return false;
    }
    return true;
}

char SeparatorChar(CsvSeparator separator)
{
    return separator == CsvSeparator::Tab ? '\t' : ',';
}

// Commas and tabs outside quotes on the first line: the more frequent one separates.
CsvSeparator GuessSeparator(QByteArrayView start)
{
    qsizetype commas = 0;
    qsizetype tabs = 0;
    bool quoted = false;
    for (const char c : start) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted)
            commas += c == ',', tabs += c == '\t';
    }
    return tabs > commas ? CsvSeparator::Tab : CsvSeparator::Comma;
}

QString TooLong(int line)
{
    return QStringLiteral(
                   "%1 行目が長すぎます（1行 %2 KB まで）。引用符が閉じていないのかもしれません。")
            .arg(line)
            .arg(CCsvRecords::kMaxRecordBytes / 1024);
}

} // namespace

CCsvImport::CCsvImport(const QString &csvPath)
    : m_path(csvPath)
{ }

CCsvImport::~CCsvImport() = default;

bool CCsvImport::Refuse(const QString &reason)
{
    Clear();
    m_problem = FileProblem::Message(kCannotRead, m_path, reason);
    m_refused = true;
    return false;
}

void CCsvImport::Clear()
{
    m_problem.clear();
    m_days.clear();
    m_sessions.clear();
    m_sessionPresent.clear();
    m_sessionDays.clear();
    m_status.clear();
    m_preview.clear();
    m_rejected.clear();
    m_duplicates.clear();
    m_formats.fill(0);
    m_counts = ImportCounts();
    m_compared = false;
    m_refused = false;
}

bool CCsvImport::Open()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return Refuse(file.errorString());
    if (file.size() > kMaxFileBytes) {
        return Refuse(
                QStringLiteral("ファイルが大きすぎます（%1 MB）。読み込めるのは %2 MB までです。")
                        .arg((file.size() + 1024 * 1024 - 1) / (1024 * 1024))
                        .arg(kMaxFileBytes / (1024 * 1024)));
    }
    if (!ScanBytes(file, m_facts))
        return Refuse(file.errorString());
    if (m_facts.utf16) {
        return Refuse(QStringLiteral(
                "UTF-16 のファイルは読めません。UTF-8 か Shift_JIS で保存し直してください。"));
    }
    if (m_facts.binary)
        return Refuse(QStringLiteral("CSVファイルではありません（文字でないバイトがあります）。"));
    if (m_facts.empty)
        return Refuse(QStringLiteral("ファイルが空です。"));
    if (!file.seek(0))
        return Refuse(file.errorString());
    m_detectedSeparator = GuessSeparator(file.read(CCsvRecords::kMaxRecordBytes));
    m_options.encoding = m_facts.encoding;
    m_options.separator = m_detectedSeparator;
    return LoadHeader();
}

bool CCsvImport::LoadHeader()
{
    Clear();
    m_header.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return Refuse(file.errorString());
    CCsvRecords records(file, SeparatorChar(m_options.separator));
    switch (records.Next()) {
    case CCsvRecords::Status::Record:
        break;
    case CCsvRecords::Status::End:
        return Refuse(QStringLiteral("ファイルが空です。"));
    case CCsvRecords::Status::TooLong:
        return Refuse(TooLong(records.Line()));
    case CCsvRecords::Status::ReadError:
        return Refuse(file.errorString());
    }
    // A header the encoding cannot read is shown as far as it can; the rows say what is wrong.
    QStringDecoder decoder(m_options.encoding == CsvEncoding::Utf8 ? "UTF-8" : "windows-31j");
    for (const QByteArrayView field : records.Fields()) {
        decoder.resetState();
        m_header << csvfields::TrimSpaces(QString(decoder.decode(field)));
    }
    if (IsHeader(m_header, kOwnDays)) {
        m_kind = CsvKind::MurelDays;
        m_options.map = OwnDaysMap();
    } else if (IsHeader(m_header, kOwnSessions)) {
        m_kind = CsvKind::MurelSessions;
        m_options.map = OwnSessionsMap();
    } else {
        m_kind = CsvKind::Other;
        m_options.map = GuessMap(m_header);
    }
    return true;
}

void CCsvImport::Reject(int line, const QString &reason)
{
    ++m_counts.rejected;
    if (m_rejected.size() < size_t(kListedRows))
        m_rejected.push_back({line, reason});
}

bool CCsvImport::Read()
{
    Clear();
    if (m_kind == CsvKind::Other) {
        m_problem = MappingProblem(m_options.map, m_header.size());
        if (!m_problem.isEmpty())
            return false;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return Refuse(file.errorString());
    CCsvRecords records(file, SeparatorChar(m_options.separator));
    CRowReader reader(m_kind, m_options.map, m_options.encoding);
    bool header = true;
    for (;;) {
        const CCsvRecords::Status status = records.Next();
        if (status == CCsvRecords::Status::End)
            break;
        if (status == CCsvRecords::Status::TooLong)
            return Refuse(TooLong(records.Line()));
        if (status == CCsvRecords::Status::ReadError)
            return Refuse(file.errorString());
        if (header) {
            header = false;
            continue;
        }
        ++m_counts.rows;
        CRowReader::Row row;
        const QString reason = reader.Parse(records.Fields(), records.Unclosed(), row);
        if (!reason.isEmpty()) {
            Reject(records.Line(), reason);
            continue;
        }
        const int line = records.Line();
        m_counts.rounded += row.rounded;
        ++m_formats[size_t(row.format)];
        if (m_preview.size() < size_t(kPreviewRows)) {
            PreviewRow shown;
            shown.line = line;
            shown.date = row.date;
            shown.method = EntryMethod(row.method);
            shown.collected = row.collected;
            shown.invested = row.invested;
            shown.balance = row.balance;
            shown.session = row.session;
            if (row.session) {
                shown.store = row.store;
                shown.machine = row.machine;
                shown.start = row.start;
                shown.end = row.end;
                shown.memo = row.memo;
            }
            m_preview.push_back(std::move(shown));
        }
        if (row.session) {
            ImportSession session{
                    row.date,     std::move(row.store), std::move(row.machine), row.start, row.end,
                    row.invested, row.collected,        std::move(row.memo),    line};
            m_sessions.push_back(std::move(session));
        } else {
            m_days.push_back(
                    {row.date, row.method, row.collected, row.invested, row.balance, line});
        }
    }
    if (header)
        return Refuse(QStringLiteral("ファイルが空です。"));
    if (m_counts.rows == 0)
        return Refuse(QStringLiteral("見出しの行だけで、読み込む行がありません。"));
    Finish();
    return true;
}

void CCsvImport::Finish()
{
    // Files are mostly in date order already; a stable sort would take a buffer as large.
    const auto byDate = [](const auto &a, const auto &b) { return a.date < b.date; };
    if (!std::is_sorted(m_sessions.begin(), m_sessions.end(), byDate))
        std::stable_sort(m_sessions.begin(), m_sessions.end(), byDate);
    m_counts.sessions = int(m_sessions.size());
    if (!std::is_sorted(m_days.begin(), m_days.end(), byDate))
        std::stable_sort(m_days.begin(), m_days.end(), byDate);
    // Of several rows of one date the last in the file counts.
    size_t kept = 0;
    for (size_t i = 0; i < m_days.size(); ++i) {
        const bool superseded = i + 1 < m_days.size() && m_days[i + 1].date == m_days[i].date;
        if (!superseded) {
            m_days[kept++] = m_days[i];
            continue;
        }
        ++m_counts.duplicates;
        if (m_duplicates.size() < size_t(kListedRows)) {
            size_t last = i + 1;
            while (last + 1 < m_days.size() && m_days[last + 1].date == m_days[i].date)
                ++last;
            m_duplicates.push_back({m_days[i].line, m_days[i].date, m_days[last].line});
        }
    }
    m_days.resize(kept);
    std::sort(m_duplicates.begin(), m_duplicates.end(),
              [](const DuplicateRow &a, const DuplicateRow &b) { return a.line < b.line; });
    for (PreviewRow &row : m_preview) {
        if (row.session)
            continue;
        const auto it
                = std::lower_bound(m_days.begin(), m_days.end(), row.date,
                                   [](const DayRow &d, int32_t date) { return d.date < date; });
        row.superseded = it != m_days.end() && it->date == row.date && it->line != row.line;
    }
}

QList<csvfields::DateFormat> CCsvImport::DateFormats() const
{
    QList<csvfields::DateFormat> found;
    for (int f = 1; f < int(m_formats.size()); ++f) {
        if (m_formats[size_t(f)] > 0)
            found << csvfields::DateFormat(f);
    }
    std::stable_sort(found.begin(), found.end(), [this](auto a, auto b) {
        return m_formats[size_t(a)] > m_formats[size_t(b)];
    });
    return found;
}

ColumnMap CCsvImport::OwnDaysMap()
{
    ColumnMap map;
    map.date = 0;
    map.collected = 3;
    map.invested = 4;
    map.balance = 5;
    return map;
}

ColumnMap CCsvImport::OwnSessionsMap()
{
    ColumnMap map;
    map.date = 0;
    map.store = 1;
    map.machine = 2;
    map.invested = 5;
    map.collected = 6;
    map.balance = 7;
    map.memo = 8;
    return map;
}

QString CCsvImport::OwnSessionsHeader()
{
    QStringList fields;
    for (const char16_t *field : kOwnSessions)
        fields << QString::fromUtf16(field);
    return fields.join(QLatin1Char(','));
}

ColumnMap CCsvImport::GuessMap(const QStringList &header)
{
    ColumnMap map;
    for (int i = 0; i < int(header.size()); ++i) {
        const QString name = csvfields::Normalized(header[i]);
        if (name.isEmpty())
            continue;
        const bool amount
                = name.contains(u"投資") || name.contains(u"回収") || name.contains(u"収支");
        if (map.date < 0
            && (name == u"日" || name.contains(u"日付") || name.contains(u"年月日")
                || name.compare(u"date", Qt::CaseInsensitive) == 0))
            map.date = i;
        else if (map.collected < 0 && name.contains(u"回収") && !name.contains(u"率"))
            map.collected = i;
        else if (map.invested < 0 && name.contains(u"投資") && !name.contains(u"率"))
            map.invested = i;
        else if (map.balance < 0 && name.contains(u"収支"))
            map.balance = i;
        else if (map.store < 0 && name.contains(u"店"))
            map.store = i;
        else if (map.machine < 0 && (name.contains(u"機種") || name == u"台" || name == u"台名"))
            map.machine = i;
        else if (map.memo < 0 && (name.contains(u"メモ") || name.contains(u"備考")))
            map.memo = i;
        if (amount && name.contains(u"百円"))
            map.hundred = true;
    }
    return map;
}

QString CCsvImport::MappingProblem(const ColumnMap &map, qsizetype columns)
{
    const int used[] = {map.date,  map.balance, map.collected, map.invested,
                        map.store, map.machine, map.memo};
    for (size_t i = 0; i < std::size(used); ++i) {
        if (used[i] >= columns)
            return QStringLiteral("ファイルにない列を選んでいます。");
        for (size_t j = 0; j < i; ++j) {
            if (used[i] >= 0 && used[i] == used[j])
                return QStringLiteral("同じ列を二つの項目に選んでいます。");
        }
    }
    if (map.date < 0)
        return QStringLiteral("日付の列を選んでください。");
    if ((map.collected >= 0) != (map.invested >= 0))
        return QStringLiteral("回収額と投資額の列は両方とも選んでください。");
    if (!map.ByAmounts() && map.balance < 0)
        return QStringLiteral("収支の列か、回収額と投資額の列を選んでください。");
    if (map.MakesSessions() && !map.ByAmounts()) {
        return QStringLiteral(
                "店舗・機種・メモの列から稼働記録を作るには、回収額と投資額の列が必要です。");
    }
    return QString();
}
