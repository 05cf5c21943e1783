#pragma once

#include "import/ImportTypes.h"
#include "play/PlaySession.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class CDiarySession;
class CLimitWatch;
class COpenPathAsker;
class CPlayDiary;
class CPrompt;
class QWidget;

// The main window's way of bringing a history in: a CSV file chosen in Qt's open dialog, shown in
// "CSVの読み込み", and on OK written by the play diary: a backup first, the sessions in one
// transaction, every day in one save. One box then says what was written and names the backup.
class CImportCommands : public QObject
{
    Q_OBJECT
public:
    struct Sources
    {
        QWidget *owner = nullptr; // the main window: the boxes' owner
        CDiarySession *session = nullptr;
        QString dataFilePath;
        CPrompt *prompt = nullptr;
        COpenPathAsker *openPath = nullptr;
        CLimitWatch *limits = nullptr; // its boxes wait for the import's own
        std::function<void()> showReports; // what the session has to tell
    };

    explicit CImportCommands(Sources sources, QObject *parent = nullptr);

    void ImportCsv();

    // The box after a written import.
    static QString DoneText(int added, int changed, int sessions, const QString &backupPath);
    // The first line of the box about an import that could not be written.
    static QString FailedText();
    // The sessions the diary holds on the given dates (ascending), as the import compares them.
    static SessionLookup LookupOf(CPlayDiary &plays);
    static PlaySession ToPlaySession(const ImportSession &session);

private:
    void Warn(const QString &text) const;

    Sources m_in;
};
