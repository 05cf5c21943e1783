#pragma once

// A scratch folder with its own settings store and data file, for the tools windows' tests.
#include "common/DataLines.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class ToolsFixture
{
public:
    void Init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           m_dir->filePath(QStringLiteral("settings")));
        m_path = m_dir->filePath(QStringLiteral("Murel1.Dat"));
    }
    const QString &Path() const { return m_path; }
    QString FilePath(const QString &name) const { return m_dir->filePath(name); }

    void WriteLines(const QStringList &lines) const
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const QString &line : lines)
            file.write(line.toLatin1() + "\r\n");
    }

    static QSettings Store()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Murel"),
                         QStringLiteral("Murel"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

// The cells of a table as a screen reader reads them: rows of cells joined by "|".
inline QStringList AccessibleRows(QWidget *table)
{
    QStringList rows;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(table);
    QAccessibleTableInterface *t = iface ? iface->tableInterface() : nullptr;
    if (!t)
        return {QStringLiteral("(no table)")};
    for (int r = 0; r < t->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < t->columnCount(); ++c) {
            QAccessibleInterface *cell = t->cellAt(r, c);
            cells << (cell ? cell->text(QAccessible::Name) : QStringLiteral("?"));
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

inline QStringList AccessibleHeaders(QWidget *table)
{
    QStringList headers;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(table);
    QAccessibleTableInterface *t = iface ? iface->tableInterface() : nullptr;
    for (int c = 0; t && c < t->columnCount(); ++c)
        headers << t->columnDescription(c);
    return headers;
}
