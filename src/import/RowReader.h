#pragma once

#include "import/ImportTypes.h"

#include <QByteArrayView>

#include <vector>

// Reads one CSV record as a day's result or a play session, or says why it cannot.
class CRowReader
{
public:
    // Limits of what the diary's windows take: amounts of four digits in hundreds of yen, store
    // and machine names of 100 characters, memos of 2,000.
    static constexpr int32_t kEntryMax = 9999;
    static constexpr int kNameMax = 100;
    static constexpr int kMemoMax = 2000;

    struct Row
    {
        int32_t date = 0;
        int32_t method = 0;
        int32_t collected = 0; // units of 100 yen
        int32_t invested = 0;
        int32_t balance = 0;
        bool session = false;
        QString store;
        QString machine;
        QString memo;
        int start = -1;
        int end = -1;
        bool rounded = false; // an amount in yen lost its part below 100
        csvfields::DateFormat format = csvfields::DateFormat::None;
    };

    CRowReader(CsvKind kind, const ColumnMap &map, CsvEncoding encoding);

    // Empty when the record was read into row, else the reason it was not.
    QString Parse(const std::vector<QByteArrayView> &fields, bool unclosed, Row &row);

private:
    struct Amount
    {
        bool present = false;
        int64_t yen = 0;
        int32_t hundreds = 0;
        bool rounded = false;
    };

    QString Text(const std::vector<QByteArrayView> &fields, int column, const QString &role,
                 QString &text);
    QString ReadAmount(const std::vector<QByteArrayView> &fields, int column, const QString &role,
                       int64_t min, int64_t max, Amount &amount);
    QString ReadName(const std::vector<QByteArrayView> &fields, int column, const QString &role,
                     QString &name);
    QString ReadTime(const std::vector<QByteArrayView> &fields, int column, const QString &role,
                     int &minutes);
    QString ReadSession(const std::vector<QByteArrayView> &fields, Row &row);
    QString ReadDay(const std::vector<QByteArrayView> &fields, Row &row);

    CsvKind m_kind;
    ColumnMap m_map;
    CCsvText m_text;
};
