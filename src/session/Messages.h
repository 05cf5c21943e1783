#pragma once

#include <QDir>
#include <QString>

// The texts of the questions and refusals that the diary's windows show. The data file's failure
// texts belong to the book (CResultBook::LoadFailedText, SaveFailedText).
namespace msg {

// A list command that needs a selected row, in the monthly and in the daily view.
inline QString SelectMonth()
{
    return QStringLiteral("「月別一覧」で月を選択してください。");
}
inline QString SelectDay()
{
    return QStringLiteral("「日別一覧」で日を選択してください。");
}
// The options are refused while the daily input window is open.
inline QString CloseDailyInput()
{
    return QStringLiteral("「実績入力」を閉じてください。");
}
// The daily input window's question before its changed day is left.
inline QString ApplyChanges()
{
    return QStringLiteral("表示されているデータは変更されています。変更を有効にしますか？");
}
// Follows the save failure's own text when closing could not save.
inline QString RetrySaveOnClose()
{
    return QStringLiteral("\nもう一度保存しますか？\n"
                          "「いいえ」を選ぶと変更を保存せずに終了します。");
}

// Follows the failure text and its file when a period could not be read whole.
inline QString NothingWritten()
{
    return QStringLiteral(
            "この期間については、ファイルに何も書き込みません（実績入力はできません）。");
}

// A save found the data file changed by another program since it was last read or written; the
// loaded period was read again from what was saved.
inline QString FileChangedElsewhere()
{
    return QStringLiteral("データファイルがほかのプログラムで変更されていたため、読み直しました。");
}

// Exports: the first line of the box about a file that could not be written (FileProblem::Message
// adds the file and the reason), and the data file itself, which no export may replace.
inline QString ImageSaveFailed()
{
    return QStringLiteral("グラフの画像の保存に失敗しました。");
}
inline QString NotOverDataFile(const QString &path)
{
    return QStringLiteral("データファイルには保存できません。別のファイルを選んでください。\n")
            + QDir::toNativeSeparators(path);
}
inline QString PrintFailed()
{
    return QStringLiteral("印刷に失敗しました。");
}

} // namespace msg
