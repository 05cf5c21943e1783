#pragma once

#include <QDialog>

class CResultBook;

// The recovery-rate analyzer: a modal scatter plot of each day's recovery rate against its
// investment. It only reads the book.
class CAnalyzerDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAnalyzerDlg(QWidget *parent = nullptr);
    ~CAnalyzerDlg() override;

    void SetData(const CResultBook *book);
};
