#pragma once

#include <QDialog>

// The version box: name, version, guide page address and publisher lines.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget *parent = nullptr);
    ~CAboutDlg() override;

    // The guide page shown in the box.
    static QString GuideUrl();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
