#pragma once

#include <QString>

class QWidget;

// Which existing file is to be read: every open dialog of the program goes through one asker, so
// that tests can answer it.
class COpenPathAsker
{
public:
    virtual ~COpenPathAsker() = default;
    // The dialog opens in folder (absolute). The answer is the absolute path of an existing file,
    // or empty when the user cancelled.
    virtual QString Ask(QWidget *owner, const QString &caption, const QString &folder,
                        const QString &filter)
            = 0;
};

// Qt's own open dialog, never the platform's, as for the save dialogs: the same widgets, texts
// and keyboard paths on every desktop, in Japanese once Qt's translation is loaded.
class CFileDialogOpenPath : public COpenPathAsker
{
public:
    QString Ask(QWidget *owner, const QString &caption, const QString &folder,
                const QString &filter) override;
};

// The asker used when a window is given none.
COpenPathAsker &DefaultOpenPath();
