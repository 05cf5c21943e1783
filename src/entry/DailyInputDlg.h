#pragma once

#include <QDialog>

class CDailyInputHost;
class COptionDlg;
class CPrompt;
class CResultBook;

// The modeless window in which one day's result is entered or corrected. It deletes itself when
// its window is destroyed; the host keeps only a pointer.
class CDailyInputDlg : public QDialog
{
    Q_OBJECT
public:
    // Results of ConfirmChanges, as the message box answers them.
    enum { Cancelled = 2, Unchanged = 5, Applied = 6, Discarded = 7 };

    CDailyInputDlg(CDailyInputHost *host, CPrompt &prompt);
    ~CDailyInputDlg() override;

    bool Create(CResultBook *book, const COptionDlg *options);
    void ShowDay(const QString &dateText);
    int ConfirmChanges();
};
