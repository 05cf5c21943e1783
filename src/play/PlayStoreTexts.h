#pragma once

// What the play store tells the user; shared by its source files only.
#include <QString>

namespace PlayTexts {

inline QString OpenFailed()
{
    return QStringLiteral("稼働記録のデータベースを開けません。");
}
inline QString ReadFailed()
{
    return QStringLiteral("稼働記録を読み込めませんでした。");
}
inline QString SaveFailed()
{
    return QStringLiteral("稼働記録を保存できませんでした。");
}
inline QString BackupFailed()
{
    return QStringLiteral("稼働記録のバックアップを作成できませんでした。");
}

inline QString NotSqlite()
{
    return QStringLiteral("SQLiteのデータベースではありません。");
}
inline QString NotOurs()
{
    return QStringLiteral("稼働記録のデータベースではありません。");
}
inline QString Damaged()
{
    return QStringLiteral("ファイルが壊れています。");
}
inline QString Newer()
{
    return QStringLiteral("新しいバージョンのミュレルで作られたファイルです。");
}
inline QString NotAFile()
{
    return QStringLiteral("通常のファイルではありません。");
}
inline QString Busy()
{
    return QStringLiteral("ほかのプログラムが使用中です。");
}
inline QString NoDriver()
{
    return QStringLiteral("Qt SQLのSQLiteドライバー（QSQLITE）が見つかりません。");
}
inline QString Gone()
{
    return QStringLiteral("その稼働はもうありません。");
}
inline QString ViewOnly()
{
    return QStringLiteral("閲覧専用で開いているため、稼働記録は変更できません。");
}
inline QString Changing()
{
    return QStringLiteral("ほかのコンピューターが書き込み中のため、読み取れませんでした。");
}
inline QString Exists()
{
    return QStringLiteral("同じ名前のファイルがすでにあります。");
}

} // namespace PlayTexts
