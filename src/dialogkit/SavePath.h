#pragma once

#include <QString>

class QWidget;

// Where a file is to be written: every save dialog of the program goes through one asker, so that
// tests can answer it.
class CSavePathAsker
{
public:
    virtual ~CSavePathAsker() = default;
    // proposed is an absolute path: the dialog opens in its folder with its name filled in. The
    // answer is the absolute path chosen, or empty when the user cancelled. Overwriting a file has
    // been confirmed by then.
    virtual QString Ask(QWidget *owner, const QString &caption, const QString &proposed,
                        const QString &filter)
            = 0;
};

// Qt's own save dialog, never the platform's: the same widgets, texts and keyboard paths on every
// desktop, in Japanese once Qt's translation is loaded. It asks before replacing a file.
class CFileDialogSavePath : public CSavePathAsker
{
public:
    QString Ask(QWidget *owner, const QString &caption, const QString &proposed,
                const QString &filter) override;
};

// The asker used when a window is given none.
CSavePathAsker &DefaultSavePath();
